#include "ValidateCommand.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "CheckRunner.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "QvhostInProcess.h"
#include "TextReport.h"

namespace {

// `qvhost validate` with these arguments, in this process.
QvhostOutcome Validate(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "validate");
    return RunQvhost(std::move(arguments));
}

// The lines of printed output that hold `text`, each from `text` on: a trace line's indent and
// what precedes the text are left out.
std::string LinesWith(const std::string& printed, const std::string& text) {
    std::istringstream lines(printed);
    std::string line;
    std::string kept;
    while (std::getline(lines, line)) {
        const size_t at = line.find(text);
        if (at != std::string::npos) kept += line.substr(at) + "\n";
    }
    return kept;
}

struct ExitCase {
    std::vector<std::string> arguments;
    int exit_code;
    std::string printed;  // on standard output or standard error
};

}  // namespace

TEST(ValidateCommand, AnswersTheExitCodeOfEachOutcome) {
    const std::string good = QV_FIXTURE_KEEPS_CONTRACT;
    const std::string echo = QV_FIXTURE_ECHO;
    const std::string keep =
        (std::filesystem::temp_directory_path() / "qvhost-validate-keep").string();
    const std::vector<ExitCase> cases{
        {{}, HostCommand::kBadArguments, "name at least one library"},
        {{"--list"}, HostCommand::kSuccess, "\nlifecycle-close-order           the two objects"},
        {{"--rules"},
         HostCommand::kSuccess,
         "\noutputs-normal          a subnormal output (warns); its findings end [outputs-normal]\n"
         "messages-for-pins       a message for no pin; its findings end [messages-for-pins]\n"},
        {{good, "--filter", "("}, HostCommand::kBadArguments, "--filter ("},
        {{good, "--filter", "^no-such-"}, HostCommand::kBadArguments, "selects no check"},
        {{good, "--repeat", "0"}, HostCommand::kBadArguments, "--repeat"},
        {{QV_FIXTURE_NO_EXPORTS, "--in-process"},
         ValidateCommand::kUnloadable,
         "lacks export getModuleProperties"},
        {{good, "--in-process", "--filter", "^factory-"},
         HostCommand::kSuccess,
         "\n6 passed, 0 failed\n"},
        {{good, "--in-process", "--trace", "--filter", "^audio-open$"},
         HostCommand::kSuccess,
         "host -> audio MOD_OP_OPEN index 0 value 0 ptr null opt 0\n"
         "            module -> audio host HOST_OP_PROCESS_CHANGED"},
        {{echo, "--in-process", "--filter", "^events-not-in-past$"},
         HostCommand::kFailure,
         "FAILED  events-not-in-past: guard 'event stamped in the past'"},
        {{good, echo, "--in-process", "--filter", "^events-not-in-past$"},
         HostCommand::kFailure,
         "1 passed, 0 failed\n" + std::string(echo) + "\n"},
        // A path is shown as a line of its own, its line breaks escaped.
        {{"no such\nlibrary.so", "--in-process"},
         ValidateCommand::kUnloadable,
         "\nno such\\x0Alibrary.so\n  cannot be validated: no such\\x0Alibrary.so: "},
        {{good, "--filter", "(\n  PASSED  x"}, HostCommand::kBadArguments, "--filter (\\x0A  PASSED"},
        // A keep folder that cannot take the run's sessions, refused before anything runs.
        {{good, "--keep-failures", good}, HostCommand::kBadArguments, "not a folder"},
        {{good, good, "--keep-failures", keep},
         HostCommand::kBadArguments,
         good + " and " + good + " would keep their sessions under one name"},
#ifndef _WIN32
        {{good, "--keep-failures", "/proc/self"},
         HostCommand::kBadArguments,
         "--keep-failures /proc/self: no file can be written there"},
#endif
    };
    for (const ExitCase& c : cases) {
        const QvhostOutcome run = Validate(c.arguments);
        EXPECT_EQ(run.exit_code, c.exit_code) << c.printed << "\n" << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(c.printed), std::string::npos) << run.out << run.err;
    }
}

TEST(ValidateCommand, SeveralLibrariesEndWithOneVerdict) {
    const QvhostOutcome run = Validate({QV_FIXTURE_KEEPS_CONTRACT, QV_FIXTURE_ECHO, "--in-process",
                                        "--filter", "^events-not-in-past$", "--only-failed"});
    EXPECT_EQ(run.out.substr(run.out.size() - 8), "FAILURE\n");
    EXPECT_EQ(run.out.find("PASSED"), std::string::npos) << "--only-failed prints no PASSED";
}

TEST(ValidateCommand, TheSameSeedRepeatsTheRun) {
    // Without --trace: the trace shows addresses, which differ from run to run.
    const std::vector<std::string> arguments{
        QV_FIXTURE_KEEPS_CONTRACT,         "--in-process", "--json", "--seed", "41", "--filter",
        "^(audio-notify|gui-pin-changed)$"};
    const QvhostOutcome first = Validate(arguments);
    EXPECT_EQ(first.exit_code, HostCommand::kSuccess) << first.err;
    EXPECT_NE(first.out.find("\"seed\": 41"), std::string::npos);
    EXPECT_EQ(Validate(arguments).out, first.out);
}

TEST(ValidateCommand, WritesEachResultIntoTheJUnitFile) {
    const std::string path = ::testing::TempDir() + "validate_junit.xml";
    const QvhostOutcome run = Validate({QV_FIXTURE_ECHO, "--in-process", "--junit", path,
                                        "--filter", "^events-(not-in-past|on-time)$"});
    EXPECT_EQ(run.exit_code, HostCommand::kFailure) << run.err;
    std::ifstream file(path);
    const std::string xml((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(xml.find("tests=\"2\" failures=\"1\" errors=\"0\" skipped=\"0\""), std::string::npos)
        << xml;
    EXPECT_NE(
        xml.find("\n      <failure type=\"FAILED\" message=\"guard 'event stamped in the past'"),
        std::string::npos)
        << xml;
    const QvhostOutcome unwritable =
        Validate({QV_FIXTURE_ECHO, "--in-process", "--junit", path + ".missing/x.xml", "--filter",
                  "^events-on-time$"});
    EXPECT_EQ(unwritable.exit_code, HostCommand::kBadArguments) << unwritable.err;
}

TEST(ValidateCommand, OnlyFailedLeavesOutThePassedResultsAlone) {
    std::ostringstream out;
    TextReport text(out, true, false);
    for (const CheckStatus status :
         {CheckStatus::kPassed, CheckStatus::kWarned, CheckStatus::kSkipped}) {
        CheckResult result;
        result.id = "pins-codes";
        result.status = status;
        text.Result(result);
    }
    EXPECT_EQ(out.str(), "  WARNED  pins-codes\n  SKIPPED pins-codes\n");
}

// A check that fails and then steps aside has failed: a skip never hides a failure.
TEST(ValidateCommand, AFailureOutranksASkip) {
    const CheckEntry check{"audio-fails-then-skips", "", [](CheckContext& context) {
                               context.Fail("answered 1, expected 0");
                               context.Skip("the module has no sample input");
                           }};
    const CheckResult result = CheckRunner::InProcess(check, QV_FIXTURE_KEEPS_CONTRACT, {});
    EXPECT_STREQ(CheckResult::StatusName(result.status), "FAILED");
    EXPECT_EQ(result.message, "answered 1, expected 0");
}

// Run N of --repeat draws from seed + N - 1: a repeat tries other values, and any one run can be
// had again alone with its seed.
TEST(ValidateCommand, EachRepeatedRunDrawsFromTheNextSeed) {
    const auto notices = [](std::vector<std::string> arguments) {
        for (const char* argument : {"--in-process", "--trace", "--filter", "^audio-notify$"}) {
            arguments.push_back(argument);
        }
        arguments.insert(arguments.begin(), QV_FIXTURE_KEEPS_CONTRACT);
        return LinesWith(Validate(arguments).out, "MOD_OP_NOTIFY");
    };
    EXPECT_EQ(notices({"--seed", "41", "--repeat", "2"}),
              notices({"--seed", "41"}) + notices({"--seed", "42"}));
}

// A play check warns with the host's first warning and how many more there were.
TEST(ValidateCommand, APlayVerdictCarriesTheHostsWarnings) {
    const ModuleLibrary library(QV_FIXTURE_KEEPS_CONTRACT);
    const std::string unknown =
        "at asking opcode 99, blocks of 64, 44100 Hz: audio: host opcode 99 is not one this host "
        "knows [host-opcodes-known]";
    const std::vector<std::string> summaries{"", unknown, unknown + " (and 1 more)",
                                             unknown + " (and 2 more)"};
    for (size_t warnings = 0; warnings < summaries.size(); ++warnings) {
        ModuleSession session(library);
        session.Start();
        session.Step("asking opcode 99");
        AudioSideHost& audio = session.Host().Audio();
        for (size_t k = 0; k < warnings; ++k) audio.Answer(audio.Record(), 99, 0, 0, nullptr);
        CheckContext context(QV_FIXTURE_KEEPS_CONTRACT, 0, "play-value-pins");
        session.Verdict(context);
        EXPECT_EQ(context.Warned(), warnings > 0) << warnings;
        EXPECT_EQ(context.Summary(), summaries[warnings]);
    }
}

struct TracedCalls {
    const char* library;
    const char* check;
    const char* lines_with;  // the trace lines compared, each from this text on
    const char* expected;    // lines that follow one another among them
};

// What a check is for shows in its trace: the calls it makes, in the order it makes them.
TEST(ValidateCommand, EachCheckMakesTheCallsItIsFor) {
    const std::vector<TracedCalls> cases{
        // -1 is among the edge values of every integer argument.
        {QV_FIXTURE_KEEPS_CONTRACT, "audio-notify", "MOD_OP_NOTIFY",
         "MOD_OP_NOTIFY index -1 value -1 ptr null opt 0\n"},
        // The first opcode past those the host knows.
        {QV_FIXTURE_KEEPS_CONTRACT, "audio-unknown-opcodes", "host -> audio opcode",
         "host -> audio opcode 14 index 0 value 0 ptr null opt 0\n"},
        // A rate changed inside a session, as a host changes it when its device does.
        {QV_FIXTURE_KEEPS_CONTRACT, "play-blocks-and-rates", "MOD_OP_SAMPLE_RATE",
         "opt 8000\nMOD_OP_SAMPLE_RATE index 0 value 0 ptr null opt 16000\n"},
        // Each pin through its values alone, one past an enumeration's last choice included.
        {QV_FIXTURE_KEEPS_CONTRACT, "play-value-pins", "host sets pin 4 ",
         "host sets pin 4 (Choice) to 5\nhost sets pin 4 (Choice) to 6\n"},
        // Two objects side by side at each choice of the enumeration in turn (each set five
        // times: the first alone twice, the second alone, then both), the third (5) included.
        {QV_FIXTURE_WITH_OUTPUT, "objects-side-by-side", "host sets pin 4 ",
         "(Choice) to 0\nhost sets pin 4 (Choice) to 5\nhost sets pin 4 (Choice) to 5\nhost sets "
         "pin 4 (Choice) to 5\nhost sets pin 4 (Choice) to 5\nhost sets pin 4 (Choice) to 5\nhost "
         "sets pin 4 (Choice) to -1\n"},
    };
    for (const TracedCalls& c : cases) {
        const QvhostOutcome run = Validate({c.library, "--in-process", "--trace", "--seed", "7",
                                            "--filter", "^" + std::string(c.check) + "$"});
        EXPECT_EQ(run.exit_code, HostCommand::kSuccess) << c.check << "\n" << run.err;
        EXPECT_NE(LinesWith(run.out, c.lines_with).find(c.expected), std::string::npos)
            << c.check << " lacks\n"
            << c.expected;
    }
}

// Each value of play-values-blocks-rates is played at every rate, for at least two blocks and
// at least 256 samples, and no combination twice, as the trace shows: rates, block sizes, values
// set and process calls.
TEST(ValidateCommand, ValuesBlocksRatesPlaysEachValueAtEveryRateForTwoBlocks) {
    const QvhostOutcome run = Validate({QV_FIXTURE_KEEPS_CONTRACT, "--in-process", "--trace",
                                        "--seed", "7", "--filter", "^play-values-blocks-rates$"});
    ASSERT_EQ(run.exit_code, HostCommand::kSuccess) << run.err;
    struct Played {
        std::string value;
        long rate;
        long block;
        long samples;
    };
    std::vector<Played> played;
    long rate = 0;
    long block = 0;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const auto number_after = [&line](const char* text) {
            const size_t at = line.find(text);
            return at == std::string::npos ? -1 : std::stol(line.substr(at + std::strlen(text)));
        };
        if (line.find("MOD_OP_SAMPLE_RATE") != std::string::npos) rate = number_after(" opt ");
        if (line.find("MOD_OP_BLOCK_SIZE") != std::string::npos) block = number_after(" value ");
        if (line.find("host sets pin ") != std::string::npos) {
            played.push_back({line.substr(line.find("host sets pin ")), rate, block, 0});
        }
        if (line.find("host -> process ") != std::string::npos && !played.empty()) {
            played.back().samples += number_after(" frames ");
        }
    }
    std::map<std::string, std::set<long>> rates_of_value;
    for (const Played& p : played) {
        rates_of_value[p.value].insert(p.rate);
        EXPECT_TRUE(p.samples >= 2 * p.block && p.samples + p.block > 256)
            << p.value << " at " << p.rate << " Hz in blocks of " << p.block << ": " << p.samples
            << " samples";
    }
    // One play each of the combinations the check says it played, each at its own rate.
    EXPECT_NE(run.out.find("played " + std::to_string(played.size()) + " of 432 combinations"),
              std::string::npos)
        << played.size() << " played\n"
        << run.out.substr(0, 300);
    ASSERT_EQ(rates_of_value.size(), 48u);
    for (const auto& [value, rates] : rates_of_value) {
        EXPECT_EQ(rates, (std::set<long>{8000, 44100, 192000})) << value;
    }
}

// A failure said again is counted, not repeated: the room goes to the next different one.
TEST(ValidateCommand, AFailureSummaryNamesEachDifferentFailureOnce) {
    CheckContext context("lib.so", 0, "events-host-events");
    for (const char* failure : {"a", "a", "b", "a", "c", "d", "b"}) context.Fail(failure);
    EXPECT_EQ(context.Summary(), "a; b; c (and 4 more)");
}
