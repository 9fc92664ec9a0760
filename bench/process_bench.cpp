// The audio side's steady state: one process call through the record, which sleeps. Beside it,
// its floor: a plain function of the process entry's shape that sends the same HOST_OP_SLEEP.
#include <benchmark/benchmark.h>

#include "AllocationCounter.h"
#include "BenchHosts.h"
#include "Module.h"

namespace {

void BM_ProcessIdle(benchmark::State& state) {
    auto* module = new Module(&BenchHosts::QuietHost, 0);
    AudioHostRecord* record = module->HostRecord();
    record->dispatcher(record, MOD_OP_OPEN, 0, 0, nullptr, 0.0f);
    {
        AllocationsPerIteration allocations(state);
        for (auto _ : state) record->process(record->object, 0, 64);
    }
    record->dispatcher(record, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
}
BENCHMARK(BM_ProcessIdle);

// What the floor's process entry is called with: the callback and the record to name.
struct SleepingObject {
    HostCallback host;
    AudioHostRecord record;
};

void QV_CDECL SleepFloor(void* object, int32_t, int32_t) {
    auto* sleeper = static_cast<SleepingObject*>(object);
    sleeper->host(&sleeper->record, HOST_OP_SLEEP, 0, 0, nullptr, 0.0f);
}

void BM_ProcessIdleFloor(benchmark::State& state) {
    SleepingObject sleeper{&BenchHosts::QuietHost, {}};
    ProcessFn process = &SleepFloor;
    AllocationsPerIteration allocations(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(process);
        process(&sleeper, 0, 64);
    }
}
BENCHMARK(BM_ProcessIdleFloor);

}  // namespace
