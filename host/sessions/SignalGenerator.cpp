#include "SignalGenerator.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <sstream>

#include "HostError.h"

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// Parameters a signal takes: a noise seed is a 32-bit unsigned number; a level or frequency a
// finite number within what a float sample or a rate can hold.
constexpr double kMostSeed = 4294967295.0;
constexpr double kMostLevel = 1.0e6;

double ParseNumber(const std::string& text, const std::string& definition, double low,
                   double high, bool whole) {
    char* end = nullptr;
    errno = 0;
    const double number = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(number) ||
        number < low || number > high || (whole && number != std::floor(number))) {
        std::ostringstream takes;
        takes << (whole ? "a whole number" : "a number") << " from " << std::fixed
              << std::setprecision(0) << low << " to " << high;
        throw UsageError("signal " + definition + ": '" + text + "' is not " + takes.str());
    }
    return number;
}

// A 64-bit mix of the seed and the position: every sample of a noise signal stands alone.
uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

}  // namespace

SignalGenerator::SignalGenerator(const std::string& definition) {
    if (definition == "impulse") {
        m_kind = Kind::kImpulse;
        return;
    }
    const size_t colon = definition.find(':');
    const std::string name = definition.substr(0, colon);
    const std::string argument = colon == std::string::npos ? "" : definition.substr(colon + 1);
    if (name == "sine") {
        m_kind = Kind::kSine;
    } else if (name == "square") {
        m_kind = Kind::kSquare;
    } else if (name == "noise") {
        m_kind = Kind::kNoise;
    } else if (name == "dc") {
        m_kind = Kind::kDc;
    } else {
        throw UsageError("unknown signal " + definition +
                         " (sine:FREQ, square:FREQ, noise:SEED, dc:VALUE, impulse)");
    }
    m_parameter = m_kind == Kind::kNoise
                      ? ParseNumber(argument, definition, 0, kMostSeed, true)
                      : ParseNumber(argument, definition, m_kind == Kind::kDc ? -kMostLevel : 0,
                                    kMostLevel, false);
}

float SignalGenerator::Sample(uint64_t position, double rate) const {
    switch (m_kind) {
    case Kind::kSine:
        return static_cast<float>(std::sin(kTwoPi * std::fmod(m_parameter * position / rate, 1.0)));
    case Kind::kSquare:
        return std::fmod(m_parameter * position / rate, 1.0) < 0.5 ? 1.0f : -1.0f;
    case Kind::kNoise: {
        const uint64_t bits = Mix(static_cast<uint64_t>(m_parameter) * 0x100000001B3ull + position);
        return static_cast<float>(static_cast<double>(bits >> 40) / (1 << 23) - 1.0);
    }
    case Kind::kDc:
        return static_cast<float>(m_parameter);
    case Kind::kImpulse:
        return position == 0 ? 1.0f : 0.0f;
    }
    return 0.0f;
}
