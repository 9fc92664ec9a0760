// Counts the global allocations of the benchmark program, so that a benchmark can report how many
// allocations one iteration makes next to how long it takes.
#ifndef ALLOCATION_COUNTER_H
#define ALLOCATION_COUNTER_H

#include <benchmark/benchmark.h>

#include <cstdint>

uint64_t AllocationCount();

// Reports allocations per iteration over the benchmark's loop; create it just before the loop.
class AllocationsPerIteration {
public:
    explicit AllocationsPerIteration(benchmark::State& state)
        : m_state(state), m_start(AllocationCount()) {}
    ~AllocationsPerIteration() {
        m_state.counters["allocs/iter"] = benchmark::Counter(
            static_cast<double>(AllocationCount() - m_start), benchmark::Counter::kAvgIterations);
    }
    AllocationsPerIteration(const AllocationsPerIteration&) = delete;
    AllocationsPerIteration& operator=(const AllocationsPerIteration&) = delete;

private:
    benchmark::State& m_state;
    uint64_t m_start;
};

#endif
