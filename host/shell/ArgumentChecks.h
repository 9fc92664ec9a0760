// Checks of command-line values that the commands share. CLI11 reports a failed check as a usage
// error naming the option, before anything loads. (An empty value is refused for every option
// before parsing: see HostCommand.)
#ifndef QVHOST_ARGUMENT_CHECKS_H
#define QVHOST_ARGUMENT_CHECKS_H

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

namespace ArgumentChecks {

// A whole number within [low, high]: "1e3" or "1.5" is refused as not whole, not as out of range.
inline CLI::Validator WholeRange(long long low, long long high) {
    const std::string description = "[" + std::to_string(low) + " - " + std::to_string(high) + "]";
    return CLI::Validator(
        [low, high, description](std::string& input) {
            char* end = nullptr;
            errno = 0;
            const long long value = std::strtoll(input.c_str(), &end, 10);
            if (input.empty() || end != input.c_str() + input.size() || errno == ERANGE ||
                value < low || value > high) {
                return "'" + input + "' is not a whole number in " + description;
            }
            return std::string();
        },
        "WHOLE IN " + description);
}

// A finite number within [low, high]: "nan", "inf" and numbers too large for a double are
// refused, which a plain range check lets through.
inline CLI::Validator FiniteRange(double low, double high) {
    std::ostringstream range;
    range << "[" << low << " - " << high << "]";
    const std::string description = range.str();
    return CLI::Validator(
        [low, high, description](std::string& input) {
            char* end = nullptr;
            errno = 0;
            const double value = std::strtod(input.c_str(), &end);
            if (input.empty() || end != input.c_str() + input.size() || errno == ERANGE ||
                !std::isfinite(value) || value < low || value > high) {
                return "'" + input + "' is not a finite number in " + description;
            }
            return std::string();
        },
        "FINITE IN " + description);
}

// PIN=VALUE with a pin named, as `--set` and `--input` take it (what a value may be, the pin says).
inline CLI::Validator Setting() {
    return CLI::Validator(
        [](std::string& input) {
            const size_t equals = input.find('=');
            if (equals == 0 || equals == std::string::npos) {
                return "'" + input + "' is not PIN=VALUE";
            }
            return std::string();
        },
        "PIN=VALUE");
}

}  // namespace ArgumentChecks

#endif
