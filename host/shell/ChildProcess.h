// Starts this program again with other arguments, waits for it up to a limit, and hands back
// its exit and what it wrote. The child runs in a process group of its own (a job object on
// Windows): at the limit, at a stop of the validator and once the child has ended, the whole group
// is ended, so that nothing the module started outlives its check. The child's result travels
// on a channel of its own, a descriptor or handle it inherits and is named with --result-channel,
// so that whatever a module prints to its standard output cannot pass for a result or spoil one.
#ifndef QVHOST_VALIDATE_CHILD_PROCESS_H
#define QVHOST_VALIDATE_CHILD_PROCESS_H

#include <cstddef>
#include <string>
#include <vector>

struct ChildOutcome {
    enum Ending { kExited, kCrashed, kTimedOut, kInterrupted, kNotStarted };
    Ending ending = kNotStarted;
    // kExited: the exit code. kCrashed: the signal (Linux) or exception code (Windows).
    unsigned long code = 0;
    std::string crash;  // the crash in words
    // The head and tail of what the child wrote to its standard output and standard error.
    std::string out;
    std::string err;
    // What the child wrote to its result channel, whole up to the bound RunSelf was given.
    std::string result;
    bool result_too_long = false;  // the channel carried more, which is left unread

    // Once the user has stopped the run: a child that did not exit on its own was ended by the
    // stop, and its check was not run; one that exited keeps its result.
    void NoteStop() {
        if (ending != kExited) ending = kInterrupted;
    }
};

class ChildProcess {
public:
    // The option that names the channel, followed by its value, is added to `arguments`.
    static ChildOutcome RunSelf(const std::vector<std::string>& arguments, double timeout_seconds,
                                size_t most_result = kMostResult);
    // In the child: writes `text` to the channel --result-channel named. False when it cannot.
    static bool WriteToParent(const std::string& channel, const std::string& text);
    // In the child: ends this process and every process in its group when the validator ends,
    // however it ends (on Windows the job object does this).
    static void EndWithParent();

    static constexpr const char* kResultChannelOption = "--result-channel";
    // A result document stays far below this; a channel that carries more was written to by
    // someone else. (A --trace streamed ahead of it is as long as the check makes it.)
    static constexpr size_t kMostResult = size_t{64} << 20;
};

#endif
