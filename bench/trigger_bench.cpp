// The module's whole job from the host's side: one GUI_OP_PIN_CHANGED for a true Trigger, through
// the record's dispatcher, four pin reads and two pin writes back to the host. Beside it, its
// floor: a flat dispatcher that makes the same six host calls through the same kind of callback
// and the same draws with the same single-precision arithmetic, with no framework in between.
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

struct FlatPair {
    int32_t out1;
    int32_t out2;
};

// The draws for limits whose arithmetic would overflow 32 bits or single precision, as exact as
// the module's; kept out of line, like its own, and never reached by the benchmark's limits.
__attribute__((noinline)) FlatPair WideDraws(int16_t mode, int32_t low, int32_t high) {
    const int64_t upper = int64_t{high} + 1;
    FlatPair pair{GuiModule::RandomInRange(low, upper), 0};
    if (mode == GuiModule::MODE_SUM) {
        pair.out2 = static_cast<int32_t>(static_cast<uint32_t>(high) - pair.out1);
        return pair;
    }
    pair.out2 = GuiModule::RandomInRange(low, upper);
    if (mode == GuiModule::MODE_DIFFER && pair.out2 == pair.out1)
        pair.out2 = GuiModule::RandomInRange(low, upper);
    return pair;
}

// What a floor's record leads back to: its callback, as a module's object holds its own.
struct FlatObject {
    HostCallback host;
    GuiHostRecord record;
};

bool g_flat_busy = false;

// One trigger with nothing between the host's call and the arithmetic but what any module that
// gives the same answers must do: be called through its record and find its callback from it,
// tell the pin-change opcode from the others, turn away notifications from inside its own writes,
// and make sure once that its limits suit the plain arithmetic.
int32_t QV_CDECL FlatDispatcher(GuiHostRecord* record, int32_t opcode, int32_t changed, int32_t,
                                void*, float) {
    if (opcode != GUI_OP_PIN_CHANGED || g_flat_busy) return 0;
    const HostCallback host = static_cast<FlatObject*>(record->object)->host;
    if (host == nullptr) std::abort();
    g_flat_busy = true;
    const int16_t mode = static_cast<int16_t>(FlatRead(host, record, GuiModule::PIN_MODES));
    const int16_t trigger = static_cast<int16_t>(FlatRead(host, record, GuiModule::PIN_TRIGGER));
    const int32_t low = FlatRead(host, record, GuiModule::PIN_LOLIMIT);
    const int32_t high = FlatRead(host, record, GuiModule::PIN_HILIMIT);
    if (changed != GuiModule::PIN_TRIGGER || trigger == 0 || mode < GuiModule::MODE_NORMAL ||
        mode > GuiModule::MODE_SUM) {
        g_flat_busy = false;
        return 0;
    }
    const int64_t span = int64_t{high} + 1 - low;
    FlatPair pair;
    if (span < -65538 || span > 65538 || low < -(1 << 30) || low > (1 << 30)) {
        pair = WideDraws(mode, low, high);
    } else {
        pair.out1 = FlatDraw(low, high + 1);
        if (mode == GuiModule::MODE_NORMAL) {
            pair.out2 = FlatDraw(low, high + 1);
        } else if (mode == GuiModule::MODE_DIFFER) {
            pair.out2 = FlatDraw(low, high + 1);
            if (pair.out2 == pair.out1) pair.out2 = FlatDraw(low, high + 1);
        } else {
            pair.out2 = high - pair.out1;
        }
    }
    host(record, GUIHOST_OP_WRITE_PIN_VALUE, GuiModule::PIN_OUT1, pair.out1, nullptr, 0.0f);
    host(record, GUIHOST_OP_WRITE_PIN_VALUE, GuiModule::PIN_OUT2, pair.out2, nullptr, 0.0f);
    g_flat_busy = false;
    return 0;
}

void BM_TriggerFloor(benchmark::State& state) {
    SetPins(static_cast<int32_t>(state.range(0)));
    FlatObject object{&BenchHosts::TableHost, {}};
    object.record.object = &object;
    object.record.dispatcher = &FlatDispatcher;
    GuiHostRecord* record = &object.record;
    AllocationsPerIteration allocations(state);
    for (auto _ : state) {
        // Hidden from the optimiser, so the call goes through the record as a host's does.
        benchmark::DoNotOptimize(record);
        record->dispatcher(record, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER, 0, nullptr, 0.0f);
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
