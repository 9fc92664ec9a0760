#include "ValidateCommand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "QvhostInProcess.h"

namespace {

// `qvhost validate` with these arguments, in this process.
QvhostOutcome Validate(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "validate");
    return RunQvhost(std::move(arguments));
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
    const std::vector<ExitCase> cases{
        {{}, HostCommand::kBadArguments, "name at least one library"},
        {{"--list"}, HostCommand::kSuccess, "\nlifecycle-close-order           the two objects"},
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
    const QvhostOutcome run = Validate({QV_FIXTURE_ECHO, "--in-process", "--junit", path, "--filter",
                                     "^events-(not-in-past|on-time)$"});
    EXPECT_EQ(run.exit_code, HostCommand::kFailure) << run.err;
    std::ifstream file(path);
    const std::string xml((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(xml.find("tests=\"2\" failures=\"1\" errors=\"0\" skipped=\"0\""), std::string::npos)
        << xml;
    EXPECT_NE(xml.find("\n      <failure type=\"FAILED\" message=\"guard 'event stamped in the past'"),
              std::string::npos)
        << xml;
    const QvhostOutcome unwritable = Validate({QV_FIXTURE_ECHO, "--in-process", "--junit",
                                               path + ".missing/x.xml", "--filter", "^events-on-time$"});
    EXPECT_EQ(unwritable.exit_code, HostCommand::kBadArguments) << unwritable.err;
}
