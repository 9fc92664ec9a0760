#include "OutputFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "HostError.h"
#include "NewFile.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

fs::path Scratch(const std::string& name) {
    const fs::path folder = fs::temp_directory_path() / ("qvhost-output-file-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

}  // namespace

// An output is refused when it is another file of the command under any spelling: a path through
// "." or "..", an input that exists, or an output not yet made.
TEST(OutputFile, RefusesAnOutputThatIsAnotherFileOfTheCommandUnderAnySpelling) {
    const fs::path folder = Scratch("clashes");
    std::ofstream(folder / "s.qvs") << "samples 1\n";
    const std::string script = (folder / "s.qvs").string();
    const std::string spelled = (folder / "." / "s.qvs").string();
    const std::string csv = (folder / "o.csv").string();
    const std::string csv_again = (folder / "sub" / ".." / "o.csv").string();
    fs::create_directories(folder / "sub");
    struct Row {
        std::vector<std::pair<std::string, std::string>> outputs;
        std::string refusal;  // empty: taken
    };
    const std::vector<Row> rows = {
        {{{"--csv", spelled}}, "--csv " + spelled + ": is the file of --script"},
        {{{"--csv", csv}, {"--wav", csv_again}}, "--csv and --wav name one file: " + csv_again},
        {{{"--csv", csv}, {"--wav", (folder / "o.wav").string()}}, ""},
        {{{"--csv", "qvhost-not-made.csv"}, {"--wav", "./qvhost-not-made.csv"}},
         "--csv and --wav name one file: ./qvhost-not-made.csv"},
        {{{"--csv", folder.string()}}, "--csv " + folder.string() + ": is a folder"},
        {{{"--csv", NewFile::RunningProgram()}},
         "--csv " + NewFile::RunningProgram() + ": is the qvhost program itself"},
    };
    for (const Row& row : rows) {
        std::string refusal;
        try {
            OutputFile::RefuseClashes("lib.so", row.outputs, {{"--script", script}});
        } catch (const UsageError& error) {
            refusal = error.what();
        }
        EXPECT_EQ(refusal, row.refusal);
    }
    fs::remove_all(folder);
}

#ifndef _WIN32
// A link planted where the host makes a file of its own is replaced, never followed: the file it
// points at keeps what it held.
TEST(NewFile, ReplacesALinkAtItsPathAndLeavesWhatItPointsAt) {
    const fs::path folder = Scratch("planted");
    std::ofstream(folder / "victim") << "precious";
    fs::create_symlink(folder / "victim", folder / "made");
    ASSERT_TRUE(NewFile::Write((folder / "made").string(), "written"));
    std::ifstream victim(folder / "victim");
    std::ifstream made(folder / "made");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "precious");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(made), {}), "written");
    EXPECT_FALSE(fs::is_symlink(folder / "made"));
    fs::remove_all(folder);
}

// A stop, a hangup or a reader gone removes every output not yet committed, however many were
// abandoned before it.
TEST(OutputFileDeathTest, AStopRemovesThePendingOutputAfterManyAbandoned) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        const fs::path folder = Scratch("stop");
        const std::string target = (folder / "out.csv").string();
        EXPECT_EXIT(
            {
                for (int k = 0; k < 40; ++k) {
                    OutputFile abandoned("--csv", target);
                    if (k % 2 == 0) {
                        abandoned.Commit();
                    }
                }
                const OutputFile pending("--csv", target);
                std::raise(signal);
            },
            testing::KilledBySignal(signal), "");
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(folder)) {
            left.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(left, std::vector<std::string>{"out.csv"}) << "signal " << signal;
        fs::remove_all(folder);
    }
}

// A pipe no program reads is refused at once, where writing would wait for ever. A replaced file
// keeps its permissions and owner but no set-user bit; a link is written through and stays a
// link; links that go round, and a link to a folder where nothing can be made, are refused.
TEST(OutputFile, RefusesAPipeNoOneReadsAndReplacesAFileAsItWas) {
    const fs::path folder = Scratch("pipe");
    const std::string pipe = (folder / "p.xml").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::string refusal;
    try {
        const OutputFile output("--junit", pipe);
    } catch (const UsageError& error) {
        refusal = error.what();
    }
    EXPECT_EQ(refusal, "--junit " + pipe + ": a pipe that no program reads");

    const std::string target = (folder / "private.csv").string();
    std::ofstream(target) << "old";
    ASSERT_EQ(chmod(target.c_str(), 04600), 0);
    const bool privileged = geteuid() == 0;
    if (privileged) {
        ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
    }
    fs::create_symlink("private.csv", folder / "link.csv");
    OutputFile replacing("--csv", (folder / "link.csv").string());
    std::ofstream(replacing.Path()) << "new";
    replacing.Commit();
    struct stat replaced {};
    ASSERT_EQ(stat(target.c_str(), &replaced), 0);
    EXPECT_EQ(replaced.st_mode & 07777, 0600u);
    if (privileged) {
        EXPECT_EQ(replaced.st_uid, 65534u);
    }
    EXPECT_TRUE(fs::is_symlink(folder / "link.csv"));
    std::ifstream written(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "new");

    fs::create_symlink("round.csv", folder / "about.csv");
    fs::create_symlink("about.csv", folder / "round.csv");
    refusal.clear();
    try {
        const OutputFile output("--csv", (folder / "round.csv").string());
    } catch (const UsageError& error) {
        refusal = error.what();
    }
    EXPECT_EQ(refusal, "--csv " + (folder / "round.csv").string() + ": links that go round");

    fs::create_symlink("/proc/self/fd/999", folder / "gone.csv");
    refusal.clear();
    try {
        const OutputFile output("--csv", (folder / "gone.csv").string());
    } catch (const UsageError& error) {
        refusal = error.what();
    }
    EXPECT_NE(refusal.find(": no file can be written there"), std::string::npos) << refusal;
    EXPECT_TRUE(fs::is_symlink(folder / "gone.csv"));
    fs::remove_all(folder);
}
#endif
