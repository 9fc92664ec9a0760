#include "RandomSource.h"

#include <cstdlib>

namespace {
// Each of the runtime's RAND_MAX + 1 raw values maps to one of 32768 results; as long as that
// is a whole number of raw values per result (1 with msvcrt, 65536 with glibc), no result is
// favoured. Dividing keeps the high bits, the better ones of a linear generator.
constexpr unsigned long long kRawRange = static_cast<unsigned long long>(RAND_MAX) + 1;
constexpr unsigned long long kValueRange = RandomSource::kMaxValue + 1;
static_assert(kRawRange % kValueRange == 0, "rand's range must split evenly into 0..32767");
constexpr int kRawPerValue = static_cast<int>(kRawRange / kValueRange);
}  // namespace

RandomSource::Draw RandomSource::s_draw = &RandomSource::RuntimeDraw;

void RandomSource::Seed(unsigned seed) { std::srand(seed); }

int32_t RandomSource::Next() { return s_draw(); }

RandomSource::Draw RandomSource::ReplaceDraw(Draw draw) {
    const Draw replaced = s_draw;
    s_draw = draw;
    return replaced;
}

int32_t RandomSource::RuntimeDraw() { return std::rand() / kRawPerValue; }
