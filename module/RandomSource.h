// The runtime library's random generator, as the generator draws from it. Nothing here keeps a
// generator of its own: seeding is srand and every draw is one rand. Where the runtime keeps that
// state differs: msvcrt, the target's, keeps one per thread; glibc one for the whole process. What
// a host can rely on either way: seeding with srand on the thread that sends the notifications,
// after creating the objects, makes them draw the same sequence again.
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
