// Both sides played by the SDK's test host, as a real host plays them, with the module's own
// makeModule.
#include "QVExport.h"
#include "QVTestHost.h"

#include <gtest/gtest.h>

QV_EXPORT void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                    uint32_t host_handle);

// A host that reports every write, our own included, from inside the write: the GUI side writes
// Out once for each change of In and is not re-entered into writing it again.
TEST(Module, GuiSideWritesTwiceInOncePerChangeEvenWhenEveryWriteIsReported) {
    QVTestHost host(&makeModule, QVTestHost::Notices::kOnEveryWrite);
    host.Start();
    host.Set("In=1.5");
    EXPECT_EQ(host.GuiFloat("Out"), 3.0f);
    EXPECT_EQ(host.GuiWrites().size(), 2u) << "once at Initialise, once for In";
    EXPECT_TRUE(host.Problems().empty());
}

// The audio side has no work: each process call tells the host so, and nothing else.
TEST(Module, AudioSideSleepsThroughEveryBlock) {
    QVTestHost host(&makeModule);
    host.Start(44100.0f, 32);
    host.Process(4);
    EXPECT_EQ(host.Host().Audio().Counts().sleeps, 4);
    EXPECT_TRUE(host.AudioMessages().empty());
    EXPECT_TRUE(host.Problems().empty());
}
