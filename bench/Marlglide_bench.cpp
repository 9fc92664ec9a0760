// Marlglide's process call per sample, through the record as the host calls it, beside a plain
// loop over the same arithmetic on the same buffers: the difference is what the framework's
// pins and process-function switch cost, and it should be none.
#include <benchmark/benchmark.h>

#include <vector>

#include "Marlglide.h"

namespace {

constexpr int32_t kBlock = 256;

struct Buffers {
    std::vector<float> out = std::vector<float>(kBlock);
    std::vector<float> in = std::vector<float>(kBlock);
    Buffers() {
        uint32_t noise = 1;
        for (float& sample : in) {
            noise = noise * 1664525u + 1013904223u;
            sample = static_cast<float>(noise >> 8) / (1 << 23) - 1.0f;
        }
    }
};

Buffers g_buffers;

// A host that holds the four audio pins and a clock standing at 0.
QVWord QV_CDECL BufferHost(void*, int32_t opcode, int32_t index, int32_t, void*, float) {
    if (opcode == HOST_OP_PIN_COUNT) return 4;
    if (opcode == HOST_OP_PIN_BUFFER && index == Marlglide::kOut) {
        return reinterpret_cast<QVWord>(g_buffers.out.data());
    }
    if (opcode == HOST_OP_PIN_BUFFER && index == Marlglide::kIn) {
        return reinterpret_cast<QVWord>(g_buffers.in.data());
    }
    return 0;
}

void BM_MarlglideProcessLinear(benchmark::State& state) {
    auto* module = new Marlglide(&BufferHost, 0);
    AudioHostRecord* record = module->HostRecord();
    record->dispatcher(record, MOD_OP_SAMPLE_RATE, 0, 0, nullptr, 48000.0f);
    record->dispatcher(record, MOD_OP_OPEN, 0, 0, nullptr, 0.0f);
    // The input starts moving: the object installs its line-following process function.
    TimedEvent moving{0, EVENT_PIN_STATUS, PIN_STATUS_MOVING, 0, Marlglide::kIn, 0};
    record->event_handler(record->object, &moving);
    for (auto _ : state) {
        record->process(record->object, 0, kBlock);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    record->dispatcher(record, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
}
BENCHMARK(BM_MarlglideProcessLinear);

// The same slew limit written as a plain function, with nothing of the framework around it.
[[gnu::noinline]] float PlainSlew(float* out, const float* const* inputs, size_t count, float step,
                                  float value) {
    for (int32_t i = 0; i < kBlock; ++i) {
        float target = 0.0f;
        for (size_t k = 0; k < count; ++k) target += inputs[k][i];
        const float distance = target - value;
        value = distance > step ? value + step : (distance < -step ? value - step : target);
        out[i] = value;
    }
    return value;
}

void BM_PlainSlewLoop(benchmark::State& state) {
    const float* const inputs[] = {g_buffers.in.data()};
    float value = 0.0f;
    for (auto _ : state) {
        value = PlainSlew(g_buffers.out.data(), inputs, 1, 1.0f / 480.0f, value);
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(value);
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_PlainSlewLoop);

}  // namespace
