// The module's whole job from the host's side: one GUI_OP_PIN_CHANGED for a true Trigger, through
// the record's dispatcher, four pin reads and two pin writes back to the host. Beside it, its
// floor: a flat function that makes the same six host calls through the same kind of callback and
// the same draws with the same single-precision arithmetic, with no framework in between.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "AllocationCounter.h"
#include "BenchHosts.h"
#include "GuiModule.h"

namespace {

using BenchHosts::g_pins;

void SetPins(int32_t mode) {
    const int32_t pins[6] = {mode, 1, 0, 10, 0, 0};
    std::memcpy(g_pins, pins, sizeof pins);
}

void BM_Trigger(benchmark::State& state) {
    SetPins(static_cast<int32_t>(state.range(0)));
    auto* module = new GuiModule(&BenchHosts::TableHost, 0);
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

// rand's values scaled to 0..32767, as the module's generator takes them.
constexpr int kRawPerValue =
    static_cast<int>((static_cast<unsigned long long>(RAND_MAX) + 1) / 32768);

int32_t FlatDraw(int32_t low, int32_t upper) {
    const int32_t product = (upper - low) * (std::rand() / kRawPerValue);
    const double sum = static_cast<double>(static_cast<float>(product)) / 32767.0 +
                       static_cast<double>(static_cast<float>(low));
    return static_cast<int32_t>(static_cast<float>(sum));
}

int32_t FlatRead(HostCallback host, void* record, int32_t pin) {
    int32_t value = 0;
    host(record, GUIHOST_OP_READ_PIN_VALUE, pin, 0, &value, 0.0f);
    return value;
}

// One trigger with nothing between the host's callback and the arithmetic.
__attribute__((noinline)) void FlatTrigger(HostCallback host, void* record, int32_t changed) {
    const int16_t mode = static_cast<int16_t>(FlatRead(host, record, GuiModule::PIN_MODES));
    const int16_t trigger = static_cast<int16_t>(FlatRead(host, record, GuiModule::PIN_TRIGGER));
    const int32_t low = FlatRead(host, record, GuiModule::PIN_LOLIMIT);
    const int32_t high = FlatRead(host, record, GuiModule::PIN_HILIMIT);
    if (changed != GuiModule::PIN_TRIGGER || trigger == 0) return;
    int32_t out1 = FlatDraw(low, high + 1);
    int32_t out2 = 0;
    if (mode == GuiModule::MODE_NORMAL) {
        out2 = FlatDraw(low, high + 1);
    } else if (mode == GuiModule::MODE_DIFFER) {
        out2 = FlatDraw(low, high + 1);
        if (out2 == out1) out2 = FlatDraw(low, high + 1);
    } else if (mode == GuiModule::MODE_SUM) {
        out2 = high - out1;
    } else {
        return;
    }
    host(record, GUIHOST_OP_WRITE_PIN_VALUE, GuiModule::PIN_OUT1, out1, nullptr, 0.0f);
    host(record, GUIHOST_OP_WRITE_PIN_VALUE, GuiModule::PIN_OUT2, out2, nullptr, 0.0f);
}

void BM_TriggerFloor(benchmark::State& state) {
    SetPins(static_cast<int32_t>(state.range(0)));
    GuiHostRecord record{};
    HostCallback host = &BenchHosts::TableHost;
    AllocationsPerIteration allocations(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(host);
        FlatTrigger(host, &record, GuiModule::PIN_TRIGGER);
        benchmark::DoNotOptimize(g_pins[GuiModule::PIN_OUT2]);
    }
}
BENCHMARK(BM_TriggerFloor)
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

}  // namespace
