// Starts this program again with other arguments, waits for it up to a limit, and hands back
// its exit and everything it wrote. A child still running at the limit is killed and reaped:
// none is ever left behind. The child's result travels on a channel of its own, a descriptor or
// handle it inherits and is named with --result-channel, so that whatever a module prints to its
// standard output cannot pass for a result or spoil one.
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
    std::string result;  // what the child wrote to its result channel
};

class ChildProcess {
public:
    // The option that names the channel, followed by its value, is added to `arguments`.
    static ChildOutcome RunSelf(const std::vector<std::string>& arguments, double timeout_seconds);
    // In the child: writes `text` to the channel --result-channel named. False when it cannot.
    static bool WriteToParent(const std::string& channel, const std::string& text);

    static constexpr const char* kResultChannelOption = "--result-channel";
};

#endif
