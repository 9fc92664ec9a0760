// A file a command writes whole or not at all. The command makes it before anything runs, the
// writer writes to Path() (a new file beside the target), and Commit() renames it over the target
// once the writer has closed it without error. Until then the target is untouched: a file never
// committed is removed, by the destructor after a failure or a usage error and by the host's
// handler of SIGINT, SIGTERM, SIGHUP and SIGPIPE (Ctrl-C on Windows) when the command is stopped.
// A target that is a link is written through; one that is a device or a pipe (/dev/stdout) is
// written in place, and a pipe no program reads is refused.
#ifndef QVHOST_OUTPUT_FILE_H
#define QVHOST_OUTPUT_FILE_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "HostError.h"

class OutputFile {
public:
    // `option` names the file in messages ("--csv"). A UsageError when no file can be made
    // beside the target (a folder that is not there, or not writable).
    OutputFile(std::string option, std::string target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& Path() const { return m_path; }
    // Runs the writer on Path(); its HostError becomes one naming the option and the target.
    void Write(const std::function<void(const std::string& path)>& writer);
    // Renames the written file over the target: a HostError naming both when it cannot.
    void Commit();
    // What a writer throws when its stream to `path` failed, saying why when the system did (a
    // full disk).
    static HostError WriteFailure(const std::string& path);

    // Removes every file not yet committed, with no lock and no allocation: from a crash handler,
    // as the process ends.
    static void RemovePending();
    // Ends the process at once with `code`, the files not yet committed removed: from a crash or
    // stop handler, or a watch that gives up on the module. On Windows the streams a command
    // writes as it goes are closed first (an open file cannot be removed there), and the process
    // is terminated: exiting would wait for the loader, which a hung load holds.
    [[noreturn]] static void EndProcessNow(unsigned code);
    // For a command that handles the stop signals itself (validate, which reports what it has):
    // a stop then goes on to the command's handler, and its files end as they would on a failure.
    static void LeaveStopsToCommand();

    // The outputs of one command, refused as a usage error before anything runs: an empty path,
    // a folder, the module library itself, one of the command's `inputs`, or two outputs that
    // are one file. Each output and input is its option and its path; an empty path is an
    // option not given.
    static void RefuseClashes(const std::string& library,
                              const std::vector<std::pair<std::string, std::string>>& outputs,
                              const std::vector<std::pair<std::string, std::string>>& inputs = {});

private:
    std::string m_option;
    std::string m_target;   // as the user named it
    std::string m_written;  // the file it names once its links are followed
    std::string m_path;
    int m_slot = -1;  // its place among the files an interruption removes, or -1 in place
    int m_held_pipe = -1;  // a pipe written in place, held open while the output lives
    bool m_committed = false;
};

#endif
