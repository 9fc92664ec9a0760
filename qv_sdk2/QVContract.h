// The one place where broken contracts between the host, the framework and a module are reported.
// A failed check names its expression, a source name and a line number that belong to the check
// itself, so a host's crash report stays the same whatever happens to the file around it. Checks
// are never compiled out.
#ifndef QV_CONTRACT_H
#define QV_CONTRACT_H

// Reports through the runtime's _assert on Windows; elsewhere prints the same
// "Assertion failed: EXPR, file SOURCE, line N" to standard error. Either way the process ends.
[[noreturn]] void QVContractFailure(const char* expression, const char* source, unsigned line);

// Reports, on standard error, the exception being handled by the caller's catch block: a
// framework entry caught it on its way to the host. One line, "exception escaped ENTRY: WHAT",
// with ENTRY the host's call ("MOD_OP_OPEN", "the event entry", "makeModule") and WHAT the
// exception's what(). The entry then answers the host as if nothing had been thrown: nothing
// crosses into the host, and nothing is swallowed unseen. Call only from inside a catch block.
void QVReportCaughtException(const char* entry) noexcept;

#define QV_REQUIRE_TEXT(condition, text, source, line)                \
    do {                                                              \
        if (!(condition)) QVContractFailure(text, #source, line);     \
    } while (false)

#define QV_REQUIRE(condition, source, line) QV_REQUIRE_TEXT(condition, #condition, source, line)

#endif
