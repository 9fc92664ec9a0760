// The runtime library's random generator, as the generator draws from it. It is the one generator
// of the whole process, shared by every object: a host that seeds it with srand after creating
// objects gets the same sequence again, so nothing here keeps a generator of its own.
#ifndef RANDOM_SOURCE_H
#define RANDOM_SOURCE_H

#include <cstdint>

class RandomSource {
public:
    static constexpr int32_t kMaxValue = 32767;

    // Where Next takes its values from: the runtime's rand scaled to 0..kMaxValue, unless a test
    // has put a scripted source in its place.
    using Draw = int32_t (*)();

    static void Seed(unsigned seed);
    // The next value, 0..kMaxValue inclusive.
    static int32_t Next();

    // For tests: makes Next answer from `draw`; returns the source it replaces.
    static Draw ReplaceDraw(Draw draw);

private:
    static int32_t RuntimeDraw();
    static Draw s_draw;
};

#endif
