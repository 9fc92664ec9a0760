// The runtime library's random generator, as the generator draws from it. Nothing here keeps a
// generator of its own: seeding is srand and every draw is one rand. Where the runtime keeps that
// state differs: msvcrt, the target's, keeps one per thread; glibc one for the whole process. What
// a host can rely on either way: seeding with srand on the thread that sends the notifications,
// after creating the objects, makes them draw the same sequence again.
#ifndef RANDOM_SOURCE_H
#define RANDOM_SOURCE_H

#include <cstdint>
#include <cstdlib>

class RandomSource {
public:
    static constexpr int32_t kMaxValue = 32767;

    // Where Next takes its values from: the runtime's rand scaled to 0..kMaxValue, unless a test
    // has put a scripted source in its place.
    using Draw = int32_t (*)();

    static void Seed(unsigned seed);
    // The next value, 0..kMaxValue inclusive. Inline, and the runtime's rand called directly
    // unless a test replaced it: every trigger draws, and an extra call per draw shows.
    static int32_t Next() { return s_replacement == nullptr ? RuntimeDraw() : s_replacement(); }

    // For tests: makes Next answer from `draw`; returns the source it replaces.
    static Draw ReplaceDraw(Draw draw);

private:
    // Each of the runtime's RAND_MAX + 1 raw values maps to one of 32768 results; as long as that
    // is a whole number of raw values per result (1 with msvcrt, 65536 with glibc), no result is
    // favoured. Dividing keeps the high bits, the better ones of a linear generator.
    static constexpr unsigned long long kRawRange = static_cast<unsigned long long>(RAND_MAX) + 1;
    static_assert(kRawRange % (kMaxValue + 1) == 0, "rand's range must split evenly into 0..32767");
    static constexpr int kRawPerValue = static_cast<int>(kRawRange / (kMaxValue + 1));

    static int32_t RuntimeDraw() { return std::rand() / kRawPerValue; }
    // The source a test put in place; null while the runtime's rand serves, so that Next's test
    // needs no address to compare with.
    static Draw s_replacement;
};

#endif
