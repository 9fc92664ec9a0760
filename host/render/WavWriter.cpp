#include "WavWriter.h"

#include "HostError.h"
#include "OutputFile.h"

#if QVHOST_HAVE_SNDFILE
#include <sndfile.h>
#endif

#include <cmath>
#include <vector>

#if QVHOST_HAVE_SNDFILE

bool WavWriter::Available() { return true; }

void WavWriter::WriteFile(const std::string& path, const std::vector<SampleTrack>& outputs,
                          float rate) {
    if (outputs.empty()) throw HostError("the module has no sample output to write");
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(rate));
    info.channels = static_cast<int>(outputs.size());
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) throw HostError("cannot write " + path + ": " + sf_strerror(nullptr));
    const size_t frames = outputs.front().samples.size();
    std::vector<float> interleaved(frames * outputs.size());
    for (size_t frame = 0; frame < frames; ++frame) {
        for (size_t channel = 0; channel < outputs.size(); ++channel) {
            interleaved[frame * outputs.size() + channel] = outputs[channel].samples[frame];
        }
    }
    const sf_count_t written =
        sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
    if (written != static_cast<sf_count_t>(frames)) throw OutputFile::WriteFailure(path);
}

#else

bool WavWriter::Available() { return false; }

void WavWriter::WriteFile(const std::string&, const std::vector<SampleTrack>&, float) {
    RequireAvailable();
}

#endif

void WavWriter::RequireAvailable() {
    if (!Available()) {
        throw UsageError(
            "WAV output needs the native host (built with libsndfile); --csv works here");
    }
}
