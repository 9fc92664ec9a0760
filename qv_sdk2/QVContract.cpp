#include "QVContract.h"

#include <cstdio>
#include <cstdlib>

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
