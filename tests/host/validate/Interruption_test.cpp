#include "Interruption.h"

#include <gtest/gtest.h>

#include "ChildProcess.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#endif

// A group no process is in: ending it, were the run stopped, reaches nothing.
constexpr Interruption::Group kNoGroup = 0x7FFFFFF0;

// A slot given back is taken again, the first one included.
TEST(Interruption, TakesAgainTheSlotOfAGroupNoLongerWatched) {
    ASSERT_FALSE(Interruption::Happened());
    const int first = Interruption::Watch(kNoGroup);
    Interruption::Unwatch(first);
    const int again = Interruption::Watch(kNoGroup);
    Interruption::Unwatch(again);
    EXPECT_EQ(again, first);
}

// After a stop, a child that exited on its own keeps its result; any other was ended by it.
TEST(Interruption, AStopLeavesTheResultOfAChildThatExitedOnItsOwn) {
    for (const auto ending :
         {ChildOutcome::kExited, ChildOutcome::kCrashed, ChildOutcome::kTimedOut}) {
        ChildOutcome outcome;
        outcome.ending = ending;
        outcome.NoteStop();
        EXPECT_EQ(outcome.ending,
                  ending == ChildOutcome::kExited ? ending : ChildOutcome::kInterrupted);
    }
}

#ifndef _WIN32
// A group watched after the stop came is ended at once: the stop could not reach it before.
TEST(InterruptionDeathTest, EndsAGroupWatchedAfterTheStopAtOnce) {
    EXPECT_EXIT(
        {
            alarm(5);
            Interruption::Install();
            std::raise(SIGINT);
            const pid_t child = fork();
            if (child == 0) {
                setpgid(0, 0);
                alarm(5);
                pause();
                _exit(0);
            }
            setpgid(child, child);
            Interruption::Watch(child);
            int status = 0;
            waitpid(child, &status, 0);
            std::exit(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
#endif
