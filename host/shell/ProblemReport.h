// How a command ends when the module broke the host contract: each problem on standard error,
// and the exit code that says whether there was any.
#ifndef QVHOST_PROBLEM_REPORT_H
#define QVHOST_PROBLEM_REPORT_H

#include <ostream>
#include <string>
#include <vector>

#include "CommandEntry.h"

class ProblemReport {
public:
    static int Print(const std::vector<std::string>& problems, std::ostream& err) {
        for (const std::string& problem : problems) err << "qvhost: problem: " << problem << "\n";
        return problems.empty() ? CommandEntry::kSuccess : CommandEntry::kFailure;
    }
};

#endif
