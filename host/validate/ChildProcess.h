// Starts this program again with other arguments, waits for it up to a limit, and hands back
// its exit and everything it wrote. A child still running at the limit is killed and reaped:
// none is ever left behind.
#ifndef QVHOST_VALIDATE_CHILD_PROCESS_H
#define QVHOST_VALIDATE_CHILD_PROCESS_H

#include <string>
#include <vector>

struct ChildOutcome {
    enum Ending { kExited, kCrashed, kTimedOut, kNotStarted };
    Ending ending = kNotStarted;
    // kExited: the exit code. kCrashed: the signal (Linux) or exception code (Windows).
    unsigned long code = 0;
    std::string crash;  // the crash in words
    std::string out;
    std::string err;
};

class ChildProcess {
public:
    static ChildOutcome RunSelf(const std::vector<std::string>& arguments, double timeout_seconds);
};

#endif
