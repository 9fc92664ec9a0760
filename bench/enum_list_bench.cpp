// Walking an enumeration list: the cost per item must not grow with the list's length. Beside
// each walk, its floor: a loop over the same characters that only finds the commas.
#include <benchmark/benchmark.h>

#include <string>

#include "AllocationCounter.h"
#include "it_enum_list.h"

namespace {

std::wstring ListOf(int64_t items) {
    std::wstring text;
    for (int64_t i = 0; i < items; ++i)
        text += L"Item" + std::to_wstring(i) + (i % 3 ? L"," : L"=7,");
    return text;
}

void BM_WalkList(benchmark::State& state) {
    it_enum_list list(ListOf(state.range(0)));
    AllocationsPerIteration allocations(state);
    for (auto _ : state) {
        for (list.First(); !list.IsDone(); list.Next())
            benchmark::DoNotOptimize(list.CurrentItem().value);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WalkList)->ArgName("items")->RangeMultiplier(10)->Range(10, 100000);

void BM_WalkRange(benchmark::State& state) {
    it_enum_list list(L"range 0," + std::to_wstring(state.range(0) - 1));
    AllocationsPerIteration allocations(state);
    for (auto _ : state) {
        for (list.First(); !list.IsDone(); list.Next())
            benchmark::DoNotOptimize(list.CurrentItem().value);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WalkRange)->ArgName("items")->RangeMultiplier(10)->Range(10, 100000);

// The characters a range walk turns into items: its values, comma-separated.
std::wstring RangeItemsOf(int64_t items) {
    std::wstring text;
    for (int64_t i = 0; i < items; ++i) text += std::to_wstring(i) + L",";
    return text;
}

void FindCommas(benchmark::State& state, const std::wstring& text) {
    AllocationsPerIteration allocations(state);
    for (auto _ : state) {
        int64_t commas = 0;
        for (const wchar_t c : text) commas += c == L',' ? 1 : 0;
        benchmark::DoNotOptimize(commas);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WalkListFloor(benchmark::State& state) { FindCommas(state, ListOf(state.range(0))); }
BENCHMARK(BM_WalkListFloor)->ArgName("items")->RangeMultiplier(10)->Range(10, 100000);

void BM_WalkRangeFloor(benchmark::State& state) { FindCommas(state, RangeItemsOf(state.range(0))); }
BENCHMARK(BM_WalkRangeFloor)->ArgName("items")->RangeMultiplier(10)->Range(10, 100000);

void BM_ValueOrFirst(benchmark::State& state) {
    const std::wstring modes = L"Normal,Differ,Sum";
    AllocationsPerIteration allocations(state);
    for (auto _ : state) benchmark::DoNotOptimize(it_enum_list::ValueOrFirst(modes, 2));
}
BENCHMARK(BM_ValueOrFirst);

}  // namespace
