#include "PlayScript.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "HostError.h"
#include "QVHostTypes.h"

namespace {
std::string Fields(const PlayAction& action) {
    return std::to_string(action.sample) + " " + PlayScript::Describe(action);
}
}  // namespace

// A script read back is the play that was written, to the last bit of every number.
TEST(PlayScript, ReadsBackThePlayItWrote) {
    PlayOptions written;
    written.samples = 300;
    written.rate = 44100.5f;
    written.block = 16;
    written.clock = 4294966296u;
    written.seed = 9;
    written.stored = {"Level=3", "Gain dB=-0.25"};
    const auto action = [](uint32_t sample, PlayAction::Kind kind, std::string pin,
                           std::string value, std::optional<int32_t> status = std::nullopt) {
        return PlayAction{sample, kind, std::move(pin), std::move(value), status, nullptr, 0};
    };
    const double subnormal = std::numeric_limits<float>::denorm_min();
    written.timeline = {
        action(0, PlayAction::Kind::kSet, "Mode", "Wide"),
        action(5, PlayAction::Kind::kGui, "Gain dB", PlayScript::Number(subnormal)),
        action(7, PlayAction::Kind::kVariable, "Choice", "-2147483648", PIN_STATUS_MOVING),
        action(9, PlayAction::Kind::kInput, "Clock", "square:1000", PIN_STATUS_STATIC),
        action(11, PlayAction::Kind::kRate, "", "96000"),
        action(299, PlayAction::Kind::kBlock, "", "7"),
    };
    written.beside = {
        {{"Level=4"}, {}, {action(3, PlayAction::Kind::kClose, "", "")}, {"In=dc:1"}}};
    const PlayOptions read = PlayScript::Parse(PlayScript::Format(written), "kept.qvs");
    EXPECT_EQ(read.samples, 300u);
    EXPECT_EQ(read.rate, 44100.5f);
    EXPECT_EQ(read.block, 16);
    EXPECT_EQ(read.clock, 4294966296u);
    EXPECT_EQ(read.seed, 9u);
    EXPECT_EQ(read.stored, written.stored);
    ASSERT_EQ(read.timeline.size(), written.timeline.size());
    for (size_t k = 0; k < read.timeline.size(); ++k) {
        EXPECT_EQ(Fields(read.timeline[k]), Fields(written.timeline[k]));
    }
    EXPECT_EQ(std::strtod(read.timeline[1].value.c_str(), nullptr), subnormal);
    EXPECT_EQ(read.timeline[2].status, PIN_STATUS_MOVING);
    ASSERT_EQ(read.beside.size(), 1u);
    EXPECT_EQ(read.beside[0].stored, written.beside[0].stored);
    // An input from the start is read back as an action at the first sample.
    ASSERT_EQ(read.beside[0].timeline.size(), 2u);
    EXPECT_EQ(Fields(read.beside[0].timeline[0]), "0 input In=dc:1");
    EXPECT_EQ(Fields(read.beside[0].timeline[1]), "3 close");
}

// `object N` says which object the lines that follow are for; each object holds its own.
TEST(PlayScript, GivesEachObjectTheLinesThatFollowItsObjectLine) {
    const PlayOptions read = PlayScript::Parse(
        "store Level=1\ninput In=dc:1\nobject 2\nstore Level=2\ninput In=dc:2\nat 4 gui Level=3\n"
        "object 1\nat 5 close\nsamples 10\n",
        "two.qvs");
    EXPECT_EQ(read.samples, 10u);
    EXPECT_EQ(read.stored, std::vector<std::string>{"Level=1"});
    ASSERT_EQ(read.timeline.size(), 2u);
    EXPECT_EQ(Fields(read.timeline[0]), "0 input In=dc:1");
    EXPECT_EQ(Fields(read.timeline[1]), "5 close");
    ASSERT_EQ(read.beside.size(), 1u);
    EXPECT_EQ(read.beside[0].stored, std::vector<std::string>{"Level=2"});
    ASSERT_EQ(read.beside[0].timeline.size(), 2u);
    EXPECT_EQ(Fields(read.beside[0].timeline[0]), "0 input In=dc:2");
    EXPECT_EQ(Fields(read.beside[0].timeline[1]), "4 gui Level=3");
}

// Every line a script cannot play is a usage error naming the script, the line and what is wrong.
// A byte-order mark is taken only where an editor puts it, before the first line.
TEST(PlayScript, RefusesEachLineItCannotPlayByItsNumber) {
    const struct {
        std::string line;
        const char* message;
    } cases[] = {
        {"at 10 set Level", "kept.qvs:3: 'Level' is not PIN=VALUE"},
        {"at 10 variable Level=1 loud", "kept.qvs:3: 'loud' is not a status"},
        {"at 10 gui Level=1 moving", "'Level=1 moving' has more than PIN=VALUE"},
        {"at x gui Level=1", "sample 'x' is not a whole number"},
        {"set Level=1", "set needs a sample"},
        {"at 300 set Level=1", "kept.qvs:3: sample 300 is not within the run, 0 to 299"},
        {"block 0", "block '0' is not a whole number from 1 to 4096"},
        {"at 5 rate nan", "rate 'nan' is not a number"},
        {"clock -1", "clock '-1' is not a whole number"},
        {"at 0x5 set Level=1", "sample '0x5' is not a whole number"},
        {"at 1e2 set Level=1", "sample '1e2' is not a whole number"},
        {"rate 0x1p15", "rate '0x1p15' is not a number"},
        {"jump 5", "'jump 5' is not an action"},
        {std::string("at 10 gui Level=1\0 and more", 28), "kept.qvs:3: a NUL byte"},
        {"store Level=1\nstore Level=2", "kept.qvs:4: store Level is given twice"},
        {"at 1 gui Level=" + std::string(5000, '1'), "kept.qvs:3: a line longer than the 4096 bytes"},
        {"samples 5", "kept.qvs:3: samples is given twice; a run has one"},
        {"rate 44100\nat 5 rate 96000\nrate 96000", "kept.qvs:5: rate is given twice"},
        {"seed 1\nblock 8\nclock 3\nseed 2", "kept.qvs:6: seed is given twice"},
        {"input In=dc:1\ninput In=dc:2", "kept.qvs:4: input In is given twice"},
        {"\xEF\xBB\xBFsamples 5", "kept.qvs:3: '\xEF\xBB\xBFsamples 5' is not an action"},
        {"object 3", "kept.qvs:3: object '3' is not a whole number from 1 to 2"},
        {"at 5 close now", "kept.qvs:3: 'at 5 close now' is not an action"},
        {"object 2\nstore Level=1\nstore Level=2", "kept.qvs:5: store Level is given twice"},
        {"object 2\nat 300 close", "kept.qvs:4: sample 300 is not within the run"},
    };
    for (const auto& c : cases) {
        const std::string script = "samples 300\n# a comment\n" + c.line + "\n";
        try {
            PlayScript::Parse(script, "kept.qvs");
            ADD_FAILURE() << c.line << " was taken";
        } catch (const UsageError& refused) {
            EXPECT_NE(std::string(refused.what()).find(c.message), std::string::npos)
                << c.line << ": " << refused.what();
        }
    }
}

// A script saved by an editor that begins it with a byte-order mark plays as without it.
TEST(PlayScript, TakesAByteOrderMarkBeforeTheFirstLine) {
    EXPECT_EQ(PlayScript::Parse("\xEF\xBB\xBFsamples 5\n", "bom.qvs").samples, 5u);
}
