// What a run's sample output sounded like, taken sample by sample as the run makes it: its peak,
// its RMS and its estimated fundamental frequency, for the whole run and for its last second.
// The memory is a second of samples, whatever the run's length.
//
// The frequency counts rising crossings of the midpoint between a stretch's lowest and highest
// sample, each placed between its two samples, and divides the cycles by the time they span; a
// crossing needs the signal to have gone a quarter of the span below the midpoint since the last
// one, so that noise on a slow edge counts once. The whole run is taken a second at a time, each
// second with its own midpoint, and its cycles and times are summed. Crossings are timed in
// seconds, so a rate changed mid-run keeps the pitch; the last second is then the last run of as
// many samples as a second held at the first rate.
#ifndef QVHOST_OUTPUT_SUMMARY_H
#define QVHOST_OUTPUT_SUMMARY_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class OutputSummary {
public:
    // For a run of `samples` at `rate`: the last second is all of a shorter run.
    OutputSummary(double rate, uint64_t samples);

    void Add(float sample);
    // The samples added from now on are played at `rate`.
    void SetRate(double rate) { m_seconds_per_sample = 1.0 / rate; }

    double Peak() const { return m_peak; }
    double Rms() const;
    // Hertz; nothing for fewer than two crossings.
    std::optional<double> Frequency() const;
    std::optional<double> LastSecondFrequency() const;
    // "peak P  rms R  pitch F Hz" (or "pitch none"), and ", last second F Hz" for a run longer
    // than a second.
    std::string Describe() const;

private:
    // Rising crossings of one stretch's midpoint: their count, and the first and last one's time
    // in seconds.
    struct Crossings {
        long long count = 0;
        double first = 0.0;
        double last = 0.0;
        std::optional<double> Frequency() const;
        // Adds the cycles between the first and last crossing, and the seconds they span.
        void AddTo(long long& cycles, double& span) const;
    };
    // The crossings of the `count` samples of the ring from `start` on.
    Crossings Stretch(size_t start, size_t count) const;

    double m_seconds_per_sample;
    double m_time = 0.0;  // of the next sample, in seconds
    double m_peak = 0.0;
    double m_squares = 0.0;
    uint64_t m_count = 0;
    std::vector<float> m_ring;  // the latest second, or the whole of a shorter run
    std::vector<double> m_times;  // each of the ring's samples' time
    size_t m_next = 0;
    // The whole run's complete seconds: cycles counted and the seconds they span.
    long long m_cycles = 0;
    double m_span = 0.0;
};

#endif
