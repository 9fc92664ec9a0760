// What qvhost prints: a module's description and pin table, and the results of a run as text
// (with an optional bar chart per output) or as JSON for other programs.
#ifndef QVHOST_REPORT_PRINTER_H
#define QVHOST_REPORT_PRINTER_H

#include "ModuleDescription.h"
#include "PairRun.h"
#include "PinDescription.h"

#include <ostream>
#include <vector>

class ReportPrinter {
public:
    static void PrintInfo(std::ostream& out, const ModuleDescription& module,
                          const std::vector<PinDescription>& pins, int32_t audio_pins);
    static void PrintRun(std::ostream& out, const RunResult& result, bool histogram);
    static void PrintRunJson(std::ostream& out, const RunResult& result);
};

#endif
