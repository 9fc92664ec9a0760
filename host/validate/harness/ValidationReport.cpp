#include "ValidationReport.h"

#include <algorithm>

int LibraryReport::Count(CheckStatus status) const {
    return static_cast<int>(
        std::count_if(results.begin(), results.end(),
                      [status](const CheckResult& result) { return result.status == status; }));
}

std::string LibraryReport::Summary() const {
    if (!load_error.empty()) return "not validated: the library could not be loaded";
    std::string text =
        std::to_string(Passed()) + " passed, " + std::to_string(Failed()) + " failed";
    if (Warned() > 0) text += ", " + std::to_string(Warned()) + " warned";
    if (Skipped() > 0) text += ", " + std::to_string(Skipped()) + " skipped";
    return text;
}

bool ValidationReport::Success() const {
    return std::all_of(libraries.begin(), libraries.end(),
                       [this](const LibraryReport& library) { return library.Success(strict); });
}

bool ValidationReport::AnyUnloadable() const {
    return std::any_of(libraries.begin(), libraries.end(),
                       [](const LibraryReport& library) { return !library.load_error.empty(); });
}

bool ValidationReport::Interrupted() const {
    return std::any_of(libraries.begin(), libraries.end(),
                       [](const LibraryReport& library) { return library.interrupted; });
}
