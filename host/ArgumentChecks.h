// Checks of command-line values that the commands share. CLI11 reports a failed check as a usage
// error naming the option, before anything loads.
#ifndef QVHOST_ARGUMENT_CHECKS_H
#define QVHOST_ARGUMENT_CHECKS_H

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

namespace ArgumentChecks {

// A value that is not empty: `--csv ""` names no file.
inline CLI::Validator NotEmpty() {
    return CLI::Validator(
        [](std::string& input) { return input.empty() ? std::string("an empty value") : ""; },
        "NOT EMPTY");
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

}  // namespace ArgumentChecks

#endif
