// What `qvhost run` prints: the pairs a run wrote as text, with an optional bar chart per output,
// or as JSON for other programs.
#ifndef QVHOST_RUN_REPORT_H
#define QVHOST_RUN_REPORT_H

#include "PairRun.h"

#include <ostream>

class RunReport {
public:
    static void Print(std::ostream& out, const RunResult& result, bool histogram);
    static void PrintJson(std::ostream& out, const RunResult& result);
};

#endif
