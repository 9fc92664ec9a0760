// The test host serving a module linked into the test program, as a module author's unit test
// uses it: the StatusLabel fixture, which sends back every status its sample inputs are given
// and hands its Label pin a text through a pointer.
#include "QVTestHost.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "HostError.h"
#include "PinWriteText.h"

extern "C" void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                     uint32_t host_handle);

namespace {

enum { CLOCK, IN };

// The statuses the fixture sent back, as (pin, status, sample clock).
std::vector<std::vector<int64_t>> Statuses(const QVTestHost& host) {
    std::vector<std::vector<int64_t>> statuses;
    for (const AudioPinMessage& message : host.AudioMessages()) {
        if (message.opcode == HOST_OP_PIN_VALUE && message.pin <= IN) {
            statuses.push_back({message.pin, message.value, message.stamp});
        }
    }
    return statuses;
}

}  // namespace

TEST(QVTestHost, EverySampleInputMovesFromTheFirstBlockUntilATestSetsItsStatus) {
    QVTestHost host(&makeModule);
    host.Start();  // 48 kHz in blocks of 64, as a test takes it without saying
    host.Process();
    EXPECT_EQ(Statuses(host), (std::vector<std::vector<int64_t>>{{CLOCK, PIN_STATUS_MOVING, 0},
                                                                 {IN, PIN_STATUS_MOVING, 0}}));
    host.SetInputStatus("In", PIN_STATUS_STATIC);
    host.Process(2);
    EXPECT_EQ(Statuses(host).back(), (std::vector<int64_t>{IN, PIN_STATUS_STATIC, 64}));
    EXPECT_EQ(Statuses(host).size(), 3u);
    EXPECT_TRUE(host.Problems().empty());
}

TEST(QVTestHost, RefusesAStatusForAnythingButASampleInputNamingThePin) {
    QVTestHost before(&makeModule);
    EXPECT_THROW(before.SetInputStatus("Clock", PIN_STATUS_STATIC), HostError) << "before Start";
    QVTestHost host(&makeModule);
    host.Start();
    for (const char* pin : {"Out", "Say", "Label", "Nope"}) {
        try {
            host.SetInputStatus(pin, PIN_STATUS_STATIC);
            ADD_FAILURE() << pin << " taken for a sample input";
        } catch (const HostError& refused) {
            EXPECT_NE(std::string(refused.what()).find(pin), std::string::npos) << refused.what();
        }
    }
}

// A value the audio object sends for an output with both sides reaches the GUI object after the
// block, as a host shows a step light: the fixture shows its count of blocks by writing Say.
TEST(QVTestHost, TheGuiObjectHearsTheAudioObjectsValuesOfPinsWithBothSidesAfterEachBlock) {
    QVTestHost host(&makeModule);
    host.Start();
    host.Process(3);
    EXPECT_EQ(host.GuiInt("Blocks"), 3);
    EXPECT_EQ(host.GuiInt("Say"), 3);
    std::vector<std::string> labels;
    for (const PinWrite& write : host.GuiWrites()) {
        if (write.by_pointer && write.by_pointer->text) labels.push_back(*write.by_pointer->text);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"say 1", "say 2", "say 3"}));
    EXPECT_TRUE(host.Problems().empty());
}

// The fixture spoils its text as the write returns: the test host shows the copy it took.
TEST(QVTestHost, KeepsTheGuiObjectsPointerWritesWithTheTextForAPinOfTheHostsOwnDatatype) {
    QVTestHost host(&makeModule);
    host.Start();
    host.Set("Say=7");
    const std::vector<PinWrite>& writes = host.GuiWrites();
    ASSERT_EQ(writes.size(), 2u);
    ASSERT_TRUE(writes[0].by_pointer && writes[1].by_pointer);
    EXPECT_EQ(writes[0].by_pointer->text, std::optional<std::string>("say 7"))
        << "Label, datatype 3";
    EXPECT_EQ(writes[1].by_pointer->text, std::nullopt) << "Number, an integer pin";
    const std::vector<PinDescription>& table = host.Host().Audio().PinTable();
    EXPECT_EQ(PinWriteText::Describe(writes[0], table.at(4)), "GUI wrote Label = text \"say 7\"");
    EXPECT_TRUE(host.Problems().empty());
}
