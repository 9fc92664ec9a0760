// Everything one validate run found: the seed, and per library its results in order, or why it
// could not be loaded.
#ifndef QVHOST_VALIDATE_VALIDATION_REPORT_H
#define QVHOST_VALIDATE_VALIDATION_REPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CheckResult.h"

struct LibraryReport {
    std::string path;
    std::string load_error;  // set when the library cannot be loaded or lacks an export
    std::vector<CheckResult> results;
    size_t planned = 0;        // the checks to run, each run of --repeat counted
    bool interrupted = false;  // the run was stopped: `results` holds those before the stop

    int Passed() const { return Count(CheckStatus::kPassed); }
    int Skipped() const { return Count(CheckStatus::kSkipped); }
    int Warned() const { return Count(CheckStatus::kWarned); }
    // FAILED, CRASHED and TIMEOUT alike.
    int Failed() const { return static_cast<int>(results.size()) - Passed() - Skipped() - Warned(); }
    // Under `strict`, a warning fails the library too.
    bool Success(bool strict = false) const {
        return load_error.empty() && !interrupted && Failed() == 0 && (!strict || Warned() == 0);
    }
    // "N passed, N failed", then ", N warned" and ", N skipped" when any was; for a library that
    // could not be validated, says so.
    std::string Summary() const;

private:
    int Count(CheckStatus status) const;
};

struct ValidationReport {
    uint32_t seed = 0;
    std::vector<LibraryReport> libraries;

    // Set by --strict: a warning fails its library too.
    bool strict = false;

    bool Success() const;
    bool AnyUnloadable() const;
    bool Interrupted() const;
};

#endif
