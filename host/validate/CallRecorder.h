// The validator's observer of crossing calls: it writes the trace when asked for one, and counts
// the module's heap traffic call by call (HeapCallCounting).
#ifndef QVHOST_VALIDATE_CALL_RECORDER_H
#define QVHOST_VALIDATE_CALL_RECORDER_H

#include <functional>
#include <string>
#include <vector>

#include "CallObserver.h"
#include "HeapCallCounting.h"

class CallRecorder : public CallObserver {
public:
    // With a sink, each trace line goes there as it is made instead of being kept: a child
    // streams its trace to the validator, so that the calls before a crash are not lost.
    explicit CallRecorder(bool trace, std::function<void(const std::string&)> sink = {});
    // Installs itself for its lifetime.
    ~CallRecorder() override;

    void Enter(const CrossingCall& call) override;
    void Leave(const CrossingCall& call, QVWord answer) override;

    std::vector<std::string> TakeTrace() { return std::move(m_trace); }
    // The first call into the module that an exception left, in the trace's words: the module
    // threw it, since the host's callbacks let none out. Empty while none has.
    const std::string& ThrownOutOf() const { return m_thrown_out_of; }
    // The innermost call into the module still running, in the trace's words; empty when none is.
    std::string CallIntoModule() const;
    // Whether a trace is being kept in this process's memory.
    static bool KeepingTrace() { return s_keeping_trace; }
    // While on, the time the host's outermost process calls and event deliveries take (the host's
    // answers inside them included) adds up: what the module costs its audio thread, without the
    // host's own work between the calls. Off, no clock is read.
    void TimeAudioCalls(bool on) { m_timing_audio_calls = on; }
    double AudioCallSeconds() const { return m_audio_call_seconds; }

private:
    static constexpr int kMaxDepth = 64;

    void Write(std::string line);

    static bool s_keeping_trace;
    bool m_trace_on;
    std::function<void(const std::string&)> m_sink;
    std::vector<std::string> m_trace;
    std::string m_thrown_out_of;
    int m_depth = 0;
    bool m_timing_audio_calls = false;
    double m_audio_call_start = 0.0;
    double m_audio_call_seconds = 0.0;
    HeapCallCounting m_heap;
    // The exceptions on their way as each call entered: a call left with more was left by one.
    int m_exceptions_before[kMaxDepth] = {};
    CrossingCall m_calls[kMaxDepth] = {};  // the calls entered and not yet left
};

#endif
