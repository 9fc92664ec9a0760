#include "RandomSource.h"

RandomSource::Draw RandomSource::s_draw = &RandomSource::RuntimeDraw;

void RandomSource::Seed(unsigned seed) { std::srand(seed); }

RandomSource::Draw RandomSource::ReplaceDraw(Draw draw) {
    const Draw replaced = s_draw;
    s_draw = draw;
    return replaced;
}
