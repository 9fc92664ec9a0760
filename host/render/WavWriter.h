// Writes rendered output pins as a WAV file of 32-bit float samples, one channel per pin, through
// libsndfile. A build without libsndfile (the Windows host) has no WAV output and says so.
#ifndef QVHOST_WAV_WRITER_H
#define QVHOST_WAV_WRITER_H

#include <string>
#include <vector>

#include "RenderSession.h"

class WavWriter {
public:
    static bool Available();
    // Throws HostError, with the reason, when WAV output is not available.
    static void RequireAvailable();
    // Throws HostError when WAV is not available, there is nothing to write, or the file cannot
    // be written.
    static void WriteFile(const std::string& path, const std::vector<SampleTrack>& outputs,
                          float rate);
};

#endif
