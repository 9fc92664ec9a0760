#include "QVContract.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#ifdef _WIN32
#include <assert.h>
#endif

void QVContractFailure(const char* expression, const char* source, unsigned line) {
#ifdef _WIN32
    _assert(expression, source, line);
#else
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %u\n", expression, source, line);
    std::fflush(stderr);
#endif
    std::abort();
}

void QVReportCaughtException(const char* entry) noexcept {
    const char* what = "an exception not derived from std::exception";
    try {
        throw;
    } catch (const std::exception& caught) {
        what = caught.what();
    } catch (...) {
    }
    std::fprintf(stderr, "exception escaped %s: %s\n", entry, what);
    std::fflush(stderr);
}
