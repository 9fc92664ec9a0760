// The module's whole job from the host's side: one GUI_OP_PIN_CHANGED for a true Trigger, through
// the record's dispatcher, four pin reads and two pin writes back to the host.
#include <benchmark/benchmark.h>

#include <cstring>

#include "AllocationCounter.h"
#include "GuiModule.h"
#include "Module.h"

namespace {

int32_t g_pins[6];

// A host that answers reads from a table and takes writes into it, and nothing else.
QVWord QV_CDECL TableHost(void*, int32_t opcode, int32_t index, int32_t value, void* ptr, float) {
    if (opcode == GUIHOST_OP_READ_PIN_VALUE) std::memcpy(ptr, &g_pins[index], sizeof(int32_t));
    if (opcode == GUIHOST_OP_WRITE_PIN_VALUE) g_pins[index] = value;
    return 0;
}

void BM_Trigger(benchmark::State& state) {
    const int32_t mode = static_cast<int32_t>(state.range(0));
    const int32_t pins[6] = {mode, 1, 0, 10, 0, 0};
    std::memcpy(g_pins, pins, sizeof pins);
    auto* module = new GuiModule(&TableHost, 0);
    GuiHostRecord* record = module->HostRecord();
    {
        AllocationsPerIteration allocations(state);
        for (auto _ : state) {
            record->dispatcher(record, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER, 0, nullptr,
                               0.0f);
            benchmark::DoNotOptimize(g_pins[GuiModule::PIN_OUT2]);
        }
    }
    record->dispatcher(record, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f);
}
BENCHMARK(BM_Trigger)
    ->ArgName("mode")
    ->Arg(GuiModule::MODE_NORMAL)
    ->Arg(GuiModule::MODE_DIFFER)
    ->Arg(GuiModule::MODE_SUM);

void BM_DrawInRange(benchmark::State& state) {
    const int32_t span = static_cast<int32_t>(state.range(0));
    int32_t r = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GuiModule::DrawInRange(-5, span - 5, r));
        r = (r + 7919) & 32767;
    }
}
BENCHMARK(BM_DrawInRange)->ArgName("span")->Arg(11)->Arg(65538)->Arg(1 << 30);

// An audio-side host with no pins and nothing to say.
QVWord QV_CDECL QuietHost(void*, int32_t, int32_t, int32_t, void*, float) { return 0; }

// The audio side's steady state: one process call through the record, which sleeps.
void BM_ProcessIdle(benchmark::State& state) {
    auto* module = new Module(&QuietHost, 0);
    AudioHostRecord* record = module->HostRecord();
    record->dispatcher(record, MOD_OP_OPEN, 0, 0, nullptr, 0.0f);
    {
        AllocationsPerIteration allocations(state);
        for (auto _ : state) record->process(record->object, 0, 64);
    }
    record->dispatcher(record, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
}
BENCHMARK(BM_ProcessIdle);

}  // namespace
