#include "RandomSource.h"

RandomSource::Draw RandomSource::s_replacement = nullptr;

void RandomSource::Seed(unsigned seed) { std::srand(seed); }

RandomSource::Draw RandomSource::ReplaceDraw(Draw draw) {
    const Draw replaced = s_replacement == nullptr ? &RuntimeDraw : s_replacement;
    s_replacement = draw == &RuntimeDraw ? nullptr : draw;
    return replaced;
}
