// What stopping `qvhost validate` does (SIGINT, SIGTERM, a hangup or a reader of its output gone;
// Ctrl-C or a closed console on Windows):
// every child running a check is ended with whatever it started, no new check begins, and the
// validator reports what it has so far. The children are watched where a signal handler can reach
// them without a lock or an allocation.
#ifndef QVHOST_VALIDATE_INTERRUPTION_H
#define QVHOST_VALIDATE_INTERRUPTION_H

#include <cstdint>

class Interruption {
public:
    // Natively a child's process group (its pid), on Windows the job object it runs in.
    using Group = intptr_t;

    // Takes over SIGINT, SIGTERM, SIGHUP and SIGPIPE (the console's control events on Windows)
    // for this process.
    static void Install();
    static bool Happened();
    // Watches a running child's group until Unwatch; ends it at once when the run was already
    // stopped. Answers its slot, or -1 when every slot is taken (the group is then not watched).
    static int Watch(Group group);
    static void Unwatch(int slot);

    // The exit code of a child ended by a stop on Windows (STATUS_CONTROL_C_EXIT).
    static constexpr unsigned long kStoppedExitCode = 0xC000013Au;
};

#endif
