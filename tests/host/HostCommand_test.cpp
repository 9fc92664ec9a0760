#include "HostCommand.h"

#include "QvhostInProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
}  // namespace

TEST(HostCommand, RefusesBadArgumentsWithAMessageAndExitCodeTwo) {
    const std::string lib = QV_FIXTURE_ECHO;
    const std::vector<std::vector<std::string>> cases{{},
                                                      {"frobnicate"},
                                                      {"run"},
                                                      {"info"},
                                                      {"run", lib, "--mode", "random"},
                                                      {"run", lib, "--triggers", "-1"},
                                                      {"run", lib, "--triggers", "99999999999"},
                                                      {"run", lib, "--lo", "abc"},
                                                      {"run", lib, "--hi", "2147483648"},
                                                      {"run", lib, "--seed", "-3"},
                                                      {"run", lib, "--seed", "4294967296"},
                                                      {"run", lib, "--bogus"}};
    for (const auto& arguments : cases) {
        const QvhostOutcome outcome = RunQvhost(arguments);
        std::string joined;
        for (const std::string& a : arguments) joined += a + " ";
        EXPECT_EQ(outcome.exit_code, HostCommand::kBadArguments) << joined;
        EXPECT_FALSE(outcome.err.empty()) << joined;
    }
}

TEST(HostCommand, AcceptsAnyThirtyTwoBitLimits) {
    // The echo module has no Modes pin: getting that far proves the limits were accepted.
    for (const auto& limits : std::vector<std::vector<std::string>>{
             {"0", "65537"}, {"-2147483648", "2147483647"}, {"2147483647", "-2147483648"}}) {
        const QvhostOutcome outcome =
            RunQvhost({"run", QV_FIXTURE_ECHO, "--lo", limits[0], "--hi", limits[1]});
        EXPECT_EQ(outcome.exit_code, HostCommand::kFailure) << outcome.err;
        EXPECT_TRUE(Contains(outcome.err, "no pin named Modes")) << outcome.err;
    }
}

TEST(HostCommand, ReportsLibraryAndRecordFailuresWithExitCodeOne) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::string missing = std::string(QV_FIXTURE_ECHO) + ".missing";
    const Case cases[] = {
        {{"info", missing}, "qvhost: " + missing + ": cannot be loaded: "},
        {{"run", QV_FIXTURE_NO_EXPORTS}, "lacks export getModuleProperties"},
        {{"info", QV_FIXTURE_PROPERTIES_ONLY}, "lacks export makeModule"},
        {{"info", QV_FIXTURE_AUDIO_MAGIC}, "qvhost: bad audio record: magic 0x5156504D"},
        {{"run", QV_FIXTURE_GUI_NULL_DISPATCHER}, "qvhost: bad GUI record: null dispatcher"}};
    for (const Case& c : cases) {
        const QvhostOutcome outcome = RunQvhost(c.arguments);
        EXPECT_EQ(outcome.exit_code, HostCommand::kFailure) << c.message;
        EXPECT_TRUE(Contains(outcome.err, c.message)) << outcome.err;
    }
}

TEST(HostCommand, InfoShowsPropertiesAboutTextAndPinTable) {
    const QvhostOutcome outcome = RunQvhost({"info", QV_FIXTURE_ECHO});
    EXPECT_EQ(outcome.exit_code, HostCommand::kSuccess) << outcome.err;
    for (const char* part :
         {"Name         Echo\n", "Id           Echo fixture\n", "Flags        0x00000100\n",
          "SDK version  2230\n", "  Echo fixture\n  for host tests\n", "Pins (6, of which 1 audio)",
          "4   Choice      in   enum     0x00000400  ui          Low=-1,Mid,High=5",
          "5   Signal      in   fsample  0x00000008  repeat-last"}) {
        EXPECT_TRUE(Contains(outcome.out, part)) << part << "\n" << outcome.out;
    }
}

TEST(HostCommand, HelpAndVersionAreNoError) {
    const QvhostOutcome outcome = RunQvhost({"--help"});
    EXPECT_EQ(outcome.exit_code, HostCommand::kSuccess);
    EXPECT_TRUE(Contains(outcome.out, "run")) << outcome.out;
    // The one version the top CMakeLists.txt sets.
    const QvhostOutcome version = RunQvhost({"--version"});
    EXPECT_EQ(version.exit_code, HostCommand::kSuccess);
    EXPECT_EQ(version.out, "qvhost " QV_VERSION "\n");
}
