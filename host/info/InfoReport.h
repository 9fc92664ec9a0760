// What `qvhost info` prints: a module's description and its pin table.
#ifndef QVHOST_INFO_REPORT_H
#define QVHOST_INFO_REPORT_H

#include "ModuleDescription.h"
#include "PinDescription.h"

#include <ostream>
#include <vector>

class InfoReport {
public:
    static void Print(std::ostream& out, const ModuleDescription& module,
                      const std::vector<PinDescription>& pins, int32_t audio_pins);
};

#endif
