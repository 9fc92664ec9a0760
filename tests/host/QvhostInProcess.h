// Runs the qvhost command line inside the test process and keeps what it printed, so that tests
// of the commands see exactly what a user would, exit code included.
#ifndef QVHOST_IN_PROCESS_H
#define QVHOST_IN_PROCESS_H

#include "HostCommand.h"

#include <sstream>
#include <string>
#include <vector>

struct QvhostOutcome {
    int exit_code;
    std::string out;
    std::string err;
};

// `qvhost` followed by `arguments`.
inline QvhostOutcome RunQvhost(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "qvhost");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::ostringstream out;
    std::ostringstream err;
    const int code = HostCommand::Run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {code, out.str(), err.str()};
}

#endif
