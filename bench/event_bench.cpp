// An EVENT_TIMED_VALUE delivered at the current sample clock through the record's event entry.
// Beside it, its floor: a direct call of the virtual HandleEvent that the entry reaches.
#include <benchmark/benchmark.h>

#include "AllocationCounter.h"
#include "BenchHosts.h"
#include "Module.h"

namespace {

// The quiet host's sample clock is 0, so the event is due at 0.
TimedEvent DueEvent() { return TimedEvent{0, EVENT_TIMED_VALUE, 42, 7, 0, 0}; }

void BM_EventTimedValue(benchmark::State& state) {
    auto* module = new Module(&BenchHosts::QuietHost, 0);
    AudioHostRecord* record = module->HostRecord();
    TimedEvent event = DueEvent();
    {
        AllocationsPerIteration allocations(state);
        for (auto _ : state) {
            record->event_handler(record->object, &event);
            benchmark::ClobberMemory();
        }
    }
    record->dispatcher(record, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
}
BENCHMARK(BM_EventTimedValue);

// The compiler may not guess the object's HandleEvent and take its body into the loop: the floor
// is the virtual call itself. g++ guesses unless told not to; clang does not guess here.
#if defined(__GNUC__) && !defined(__clang__)
#define QV_BENCH_KEEP_VIRTUAL __attribute__((optimize("no-devirtualize-speculatively")))
#else
#define QV_BENCH_KEEP_VIRTUAL
#endif
QV_BENCH_KEEP_VIRTUAL void BM_EventTimedValueFloor(
    benchmark::State& state) {
    Module module(&BenchHosts::QuietHost, 0);
    QVModule_base* object = &module;
    TimedEvent event = DueEvent();
    AllocationsPerIteration allocations(state);
    for (auto _ : state) {
        // Hidden from the optimiser, so the call stays virtual.
        benchmark::DoNotOptimize(object);
        object->HandleEvent(&event);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_EventTimedValueFloor);

}  // namespace
