// Writes rendered pins as CSV: a header "sample,NAME,..." and one row per sample, each value
// printed so that it reads back as the same float. The output pins come first, then any inputs.
#ifndef QVHOST_CSV_WRITER_H
#define QVHOST_CSV_WRITER_H

#include <ostream>
#include <string>
#include <vector>

#include "RenderSession.h"

class CsvWriter {
public:

    static void Write(std::ostream& out, const std::vector<SampleTrack>& outputs,
                      const std::vector<SampleTrack>& inputs = {});
    // Throws HostError when the file cannot be written, or would hold no pin.
    static void WriteFile(const std::string& path, const std::vector<SampleTrack>& outputs,
                          const std::vector<SampleTrack>& inputs = {});
};

#endif
