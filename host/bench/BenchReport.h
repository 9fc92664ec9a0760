// Prints what `qvhost bench` measured: a table, or JSON for tools.
#ifndef QVHOST_BENCH_REPORT_H
#define QVHOST_BENCH_REPORT_H

#include <ostream>

#include "ModuleCosts.h"

class BenchReport {
public:
    static void PrintTable(std::ostream& out, const ModuleCostReport& report);
    static void PrintJson(std::ostream& out, const ModuleCostReport& report);
};

#endif
