// One object's whole life as the host sees it, per kind: makeModule, open (MOD_OP_OPEN or
// GUI_OP_INITIALISE) and close. Beside it, its floor: one new and delete of an object of the
// same size. Exactly one allocation per object.
#include <benchmark/benchmark.h>

#include <cstddef>

#include "AllocationCounter.h"
#include "BenchHosts.h"
#include "GuiModule.h"
#include "Module.h"

extern "C" void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                     uint32_t host_handle);

namespace {

void OpenAndClose(int32_t kind, void* record) {
    if (kind == QV_KIND_AUDIO) {
        auto* audio = static_cast<AudioHostRecord*>(record);
        audio->dispatcher(audio, MOD_OP_OPEN, 0, 0, nullptr, 0.0f);
        audio->dispatcher(audio, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
    } else {
        auto* gui = static_cast<GuiHostRecord*>(record);
        gui->dispatcher(gui, GUI_OP_INITIALISE, 1, 0, nullptr, 0.0f);
        gui->dispatcher(gui, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f);
    }
}

void BM_ObjectLife(benchmark::State& state) {
    const int32_t kind = static_cast<int32_t>(state.range(0));
    AllocationsPerIteration allocations(state);
    // The two sides number their host opcodes apart: each kind gets the host of its side.
    const HostCallback host =
        kind == QV_KIND_AUDIO ? &BenchHosts::QuietHost : &BenchHosts::TableHost;
    for (auto _ : state) OpenAndClose(kind, makeModule(0, kind, host, 0));
}
BENCHMARK(BM_ObjectLife)->ArgName("kind")->Arg(QV_KIND_AUDIO)->Arg(QV_KIND_GUI);

template <size_t Size>
struct SameSize {
    unsigned char bytes[Size];
};

template <typename Object>
void NewAndDelete() {
    auto* block = new SameSize<sizeof(Object)>;
    benchmark::DoNotOptimize(block);
    delete block;
}

void BM_ObjectLifeFloor(benchmark::State& state) {
    const bool audio = state.range(0) == QV_KIND_AUDIO;
    AllocationsPerIteration allocations(state);
    for (auto _ : state) {
        if (audio) {
            NewAndDelete<Module>();
        } else {
            NewAndDelete<GuiModule>();
        }
    }
}
BENCHMARK(BM_ObjectLifeFloor)->ArgName("kind")->Arg(QV_KIND_AUDIO)->Arg(QV_KIND_GUI);

}  // namespace
