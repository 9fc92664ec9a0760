#include "HostCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "InfoReport.h"
#include "QvhostInProcess.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string Bytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
}  // namespace

TEST(HostCommand, RefusesBadArgumentsWithAMessageAndExitCodeTwo) {
    const std::string lib = QV_FIXTURE_ECHO;
    const std::string good = QV_FIXTURE_ECHO_KEEPS_CONTRACT;
    const std::vector<std::string> render{"render", good, "--samples", "8"};
#ifndef _WIN32
    // A pipe no one writes: opening it would wait for ever.
    const std::string pipe =
        (std::filesystem::temp_directory_path() / "qvhost-script-pipe.qvs").string();
    std::filesystem::remove(pipe);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
#endif
    // Scripts whose values the module cannot take, each refused at its line.
    const std::string scripts = std::filesystem::temp_directory_path().string() + "/qvhost-";
    const std::string variable = scripts + "variable.qvs";
    const std::string stored = scripts + "stored.qvs";
    std::ofstream(variable) << "samples 64\nat 0 variable Choice=2147483647\n";
    std::ofstream(stored) << "samples 64\nstore Nope=1\n";
    const std::string gui_output = scripts + "gui-output.qvs";
    std::ofstream(gui_output) << "samples 64\nat 0 gui Echo=1\n";
    const auto with = [](std::vector<std::string> start, std::vector<std::string> more) {
        start.insert(start.end(), more.begin(), more.end());
        return start;
    };
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, ""},
        {{"frobnicate"}, ""},
        {{"run"}, ""},
        {{"info"}, ""},
        {{"run", lib, "--mode", "random"}, ""},
        {{"run", lib, "--triggers", "-1"}, ""},
        {{"run", lib, "--triggers", "99999999999"}, ""},
        {{"run", lib, "--lo", "abc"}, ""},
        {{"run", lib, "--hi", "2147483648"}, ""},
        {{"run", lib, "--seed", "-3"}, ""},
        {{"run", lib, "--seed", "4294967296"}, ""},
        {{"run", lib, "--bogus"}, ""},
        {{"info", ""}, "LIB: an empty value"},
        {{"run", lib, "--seed", ""}, "--seed: an empty value"},
        {{"run", lib, "--lo="}, "--lo: an empty value"},
        {{"render", good, "--samples", "1e3"}, "'1e3' is not a whole number"},
        {with(render, {"--set", "Level=1.5"}), "it takes whole numbers"},
        {with(render, {"--set", "Runaway=2"}), "it takes 0 or 1"},
        {with(render, {"--set", "Choice=3"}), "its choices are Low, Mid, High"},
        {with(render, {"--set", "Gain=1e400"}), "pin Gain cannot take '1e400'"},
        {with(render, {"--input", "Signal=noise:-1"}), "not a whole number from 0 to 4294967295"},
        {with(render, {"--input", "Signal=dc:1e39"}), "not a number from -1000000 to 1000000"},
        {with(render, {"--input", "Signal=wobble:3"}), "unknown signal"},
        {with(render, {"--repeat", "256"}), "--repeat 256: "},
        {{"play", good, "--samples", "100", "--at", "-5:Level=1"}, "not SAMPLE:PIN=VALUE"},
        {{"play", good, "--samples", "100", "--at", "100:Level=1"}, "not within the run"},
        {{"play", good, "--at", "4294967296:Level=1"}, "not within the run"},
        {{"play", good, "--at", "10:Signal=1"}, "Signal is a sample input, which takes a signal"},
        {{"play", good, "--samples", "9000", "--at", "8999:Level=x"}, "--at 8999:Level=x: pin Level"},
        {{"play", good, "--at", "5:Level=1", "--at", "9:Nope=1"}, "--at 9:Nope=1: the module has"},
        {{"play", good, "--at", "5:=1"}, "qvhost: --at 5:=1: '=1' is not PIN=VALUE"},
        {{"play", good, "--input", "Signal"}, "qvhost: --input: 'Signal' is not PIN=VALUE"},
        {with(render, {"--set", "=1"}), "qvhost: --set: '=1' is not PIN=VALUE"},
        {with(render, {"--set", "Nope=1"}), "qvhost: --set Nope=1: the module has no pin Nope\n"},
        {with(render, {"--input", "Nope=dc:1"}), "qvhost: --input Nope=dc:1: the module has no"},
        {{"play", good, "--script", gui_output}, gui_output + ":2: pin Echo is an output"},
        {{"play", good, "--input", "Level=dc:1"}, "the module has no sample input Level"},
        {{"validate", good, "--filter", std::string(300, '(')}, "--filter: a pattern of 300"},
        {with(render, {"--timeout", "0"}), "--timeout: '0' is not a finite number"},
        {with(render, {"--set", "Signal=1"}), "pin Signal holds no value a host sets: it is a sample"},
        {{"render", good, "--bogus", "1"}, "not expected: 1 --bogus"},
        {{"render", good}, "--samples is required"},
        {{"play", QV_FIXTURE_CHOICE_ON_AUDIO_SIDE, "--script", variable},
         variable + ":2: pin Choice cannot hold 2147483647\n"},
        {{"play", good, "--script", stored}, stored + ":2: store Nope=1: the module has no pin Nope"},
        {with(render, {"--set", "Level=1", "--set", "Level=2"}), "--set Level is given twice"},
        {with(render, {"--input", "Signal=dc:1", "--input", "Signal=dc:2"}),
         "--input Signal is given twice"},
        {{"play", good, "--input", "Signal=dc:1", "--input", "Signal=dc:2"},
         "--input Signal is given twice"},
        // What a message echoes is shown, not obeyed, and cut short with its length said.
        {{"play", good, "--at", "0:\x1b[2JX=1"}, "the module has no pin \\x1B[2JX\n"},
        {{"play", good, "--at", "0:Level=" + std::string(5000, '9')}, "9... (10039 bytes in all)"},
        {{"play", good, "--script", "/nonexistent/a\n  PASSED  forged"}, "a\\x0A  PASSED  forged"},
        {{"render", good, "--" + std::string(3000, 'x')}, "x... (3043 bytes in all)\nRun with"},
        // A message of 1000 bytes, the most shown whole, and one of 1001.
        {{"play", good, "--script", "/nonexistent/" + std::string(964, 'x')}, ": no such file\n"},
        {{"play", good, "--script", "/nonexistent/" + std::string(965, 'x')},
         "... (1001 bytes in all)\n"},
#ifndef _WIN32
        {{"play", good, "--script", pipe}, "--script " + pipe + ": not a regular file"},
        {{"play", good, "--script", "/"}, "--script /: not a regular file"},
#endif
    };
    for (const auto& [arguments, message] : cases) {
        const QvhostOutcome outcome = RunQvhost(arguments);
        std::string joined;
        for (const std::string& a : arguments) joined += a + " ";
        EXPECT_EQ(outcome.exit_code, HostCommand::kBadArguments) << joined << outcome.err;
        EXPECT_FALSE(outcome.err.empty()) << joined;
        EXPECT_TRUE(Contains(outcome.err, message)) << joined << outcome.err;
        // Refused before anything ran: nothing was played.
        EXPECT_EQ(outcome.out, "") << joined;
    }
#ifndef _WIN32
    std::filesystem::remove(pipe);
#endif
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

// A library that cannot be found fails the command after its options were taken, before any
// call could last.
TEST(HostCommand, TakesBothEndsOfEachNumbersRange) {
    const std::string good = QV_FIXTURE_ECHO_KEEPS_CONTRACT;
    const std::string missing = good + ".missing";
    for (const auto& [arguments, exit_code] :
         std::vector<std::pair<std::vector<std::string>, int>>{
             {{"render", good, "--samples", "8", "--rate", "1", "--timeout", "86400"}, 0},
             {{"render", good, "--samples", "8", "--rate", "1000000"}, 0},
             {{"render", missing, "--samples", "8", "--timeout", "0.01"}, 1},
             {{"validate", "--list", "--timeout", "0.1"}, 0},
             {{"validate", "--list", "--timeout", "3600"}, 0}}) {
        const QvhostOutcome outcome = RunQvhost(arguments);
        EXPECT_EQ(outcome.exit_code, exit_code) << arguments.back() << outcome.err;
        EXPECT_EQ(outcome.err.find("--"), std::string::npos) << outcome.err;
    }
}

// The time limit is on each call into the module, not on the command: short calls, and the
// host's own writing of a long CSV once the module is closed, outlast it.
TEST(HostCommand, BoundsEachCallNotTheWholeCommand) {
    const std::filesystem::path csv =
        std::filesystem::temp_directory_path() / "qvhost-bounds-each-call.csv";
    const QvhostOutcome outcome =
        RunQvhost({"render", QV_FIXTURE_ECHO_KEEPS_CONTRACT, "--samples", "6000000", "--inputs",
                   "--csv", csv.string(), "--timeout", "0.2"});
    EXPECT_EQ(outcome.exit_code, HostCommand::kSuccess) << outcome.err;
    EXPECT_GT(std::filesystem::file_size(csv), 6000000u);
    std::filesystem::remove(csv);
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
        {{"run", QV_FIXTURE_GUI_NULL_DISPATCHER}, "qvhost: bad GUI record: null dispatcher"},
#ifndef _WIN32
        {{"play", QV_FIXTURE_ECHO_KEEPS_CONTRACT, "--samples", "9000", "--csv", "/dev/full"},
         "qvhost: --csv /dev/full: cannot be written: cannot write /dev/full (No space left on "
         "device)\n"},
#endif
    };
    for (const Case& c : cases) {
        const QvhostOutcome outcome = RunQvhost(c.arguments);
        EXPECT_EQ(outcome.exit_code, HostCommand::kFailure) << c.message;
        EXPECT_TRUE(Contains(outcome.err, c.message)) << outcome.err;
    }
    // A report that could not be written (a full disk, a closed pipe) is no success.
    std::ostream unwritable(nullptr);
    std::ostringstream err;
    const char* info[] = {"qvhost", "info", QV_FIXTURE_ECHO};
    EXPECT_EQ(HostCommand::Run(3, info, unwritable, err), HostCommand::kFailure);
    EXPECT_EQ(err.str(), "qvhost: the standard output could not be written\n");
}

TEST(HostCommand, InfoShowsPropertiesAboutTextAndPinTable) {
    const QvhostOutcome outcome = RunQvhost({"info", QV_FIXTURE_ECHO});
    EXPECT_EQ(outcome.exit_code, HostCommand::kSuccess) << outcome.err;
    for (const char* part :
         {"Name         Echo\n", "Id           Echo fixture\n", "Flags        0x00000100\n",
          "SDK version  2230\n", "  Echo fixture\n  for host tests\n", "Pins (6, of which 1 audio)",
          "4   Choice      in   enum     0x00000400  ui              Low=-1,Mid,High=5",
          "5   Signal      in   fsample  0x00000008  repeat-last"}) {
        EXPECT_TRUE(Contains(outcome.out, part)) << part << "\n" << outcome.out;
    }
}

TEST(HostCommand, InfoKeepsItsColumnsForLongNames) {
    std::vector<PinDescription> pins(2);
    pins[0].name = "In";
    pins[1].name = "A pin with a long name";
    pins[1].direction = DR_OUT;
    pins[1].flags = IO_UI_COMMUNICATION | IO_PATCH_STORE | IO_REPEAT_LAST;
    pins[1].datatype_extra = "x";
    std::ostringstream out;
    InfoReport::Print(out, ModuleDescription{}, pins, 0);
    std::istringstream lines(out.str());
    std::vector<std::string> table;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  ", 0) == 0) table.push_back(line);
    }
    ASSERT_EQ(table.size(), 3u) << out.str();
    EXPECT_EQ(table[1].find("in "), table[0].find("Dir"));
    EXPECT_EQ(table[2].find("out "), table[0].find("Dir"));
    EXPECT_EQ(table[2].find(" x"), table[0].find("Choices") - 1);
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

TEST(HostCommand, LeavesTheUsersFilesAsTheyWereUnlessARunSucceeds) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() /
        ("qvhost-outputs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(folder);
    fs::create_directories(folder / "a folder");
    const std::string kept = (folder / "kept.csv").string();
    const std::string other = (folder / "other.wav").string();
    const std::string lib = QV_FIXTURE_ECHO;
    const std::string library_bytes = Bytes(lib);
    const std::string good = QV_FIXTURE_ECHO_KEEPS_CONTRACT;
    struct Case {
        std::vector<std::string> arguments;
        int exit_code;
        std::string message;
        std::string kept_starts;  // what kept.csv holds afterwards
    };
    const std::string earlier = "earlier\n";
    const Case cases[] = {
        {{"render", QV_FIXTURE_WITH_OUTPUT, "--samples", "8", "--csv", kept}, 0, "", "sample,Out\n"},
        {{"render", lib, "--samples", "8", "--csv", lib},
         2,
         "--csv " + lib + ": is the module library itself",
         earlier},
        {{"play", lib, "--csv", lib}, 2, "is the module library itself", earlier},
        {{"validate", lib, "--filter", "^library-exports$", "--junit", lib},
         2,
         "is the module library itself",
         earlier},
        {{"render", lib, "--samples", "8", "--wav", kept, "--csv", kept},
         2,
         "--wav and --csv name one file",
         earlier},
        {{"render", lib, "--samples", "8", "--csv", (folder / "a folder").string()},
         2,
         "is a folder",
         earlier},
        {{"render", lib, "--samples", "8", "--csv", (folder / "none" / "x.csv").string()},
         2,
         "no file can be written there",
         earlier},
        {{"render", lib, "--samples", "8", "--csv", ""},
         2,
         "qvhost: --csv: an empty value",
         earlier},
        {{"play", lib, "--rate", "nan"}, 2, "--rate: 'nan' is not a finite number", earlier},
        {{"validate", lib, "--timeout", "inf"},
         2,
         "--timeout: 'inf' is not a finite number",
         earlier},
        // The echo fixture breaks the host contract: its render writes nothing.
        {{"render", lib, "--samples", "64", "--csv", kept}, 1, "the render failed", earlier},
#ifndef _WIN32
        {{"render", lib, "--samples", "64", "--csv", (folder / "new.csv").string(), "--wav", other},
         1,
         "the render failed",
         earlier},
#endif
#ifndef _WIN32
        {{"play", good, "--csv", "/dev/full"}, 1, "--csv /dev/full: cannot be written", earlier},
        {{"render", good, "--samples", "64", "--csv", kept},
         1,
         "--csv " + kept + ": cannot be written: the module has no sample output to write",
         earlier},
        {{"render", QV_FIXTURE_WITH_OUTPUT, "--samples", "64", "--csv", "/dev/full"},
         1,
         "--csv /dev/full: cannot be written",
         earlier},
        {{"render", QV_FIXTURE_WITH_OUTPUT, "--samples", "64", "--wav", "/dev/full"},
         1,
         "--wav /dev/full: cannot be written",
         earlier},
#endif
    };
    for (const Case& c : cases) {
        {
            std::ofstream file(kept, std::ios::binary);
            file << earlier;
        }
        const QvhostOutcome outcome = RunQvhost(c.arguments);
        EXPECT_EQ(outcome.exit_code, c.exit_code) << c.message << "\n" << outcome.err;
        EXPECT_TRUE(Contains(outcome.err, c.message)) << outcome.err;
        EXPECT_EQ(Bytes(kept).substr(0, c.kept_starts.size()), c.kept_starts) << c.message;
        EXPECT_FALSE(fs::exists(other)) << c.message;
        EXPECT_EQ(Bytes(lib), library_bytes) << c.message;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2)
            << c.message << ": a file left beside the outputs";
    }
    fs::remove_all(folder);
}
