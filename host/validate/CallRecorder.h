// The validator's observer of crossing calls: it writes the trace when asked for one, and turns
// allocation counting on exactly while a module's process function or event entry runs, and the
// count of the module's live blocks while any of its code runs (both off again while the module
// is inside a host callback, whose work is the host's).
#ifndef QVHOST_VALIDATE_CALL_RECORDER_H
#define QVHOST_VALIDATE_CALL_RECORDER_H

#include <functional>
#include <string>
#include <vector>

#include "CallObserver.h"

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
    // One call in the trace's words.
    static std::string Describe(const CrossingCall& call);
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
    // What the allocation count was doing before each call entered, to be put back after it, and
    // the exceptions on their way then: a call left with more was left by an exception.
    struct CountingState {
        bool counting;
        bool in_module;
        int exceptions;
    };
    CountingState m_before[kMaxDepth] = {};
    CrossingCall m_calls[kMaxDepth] = {};  // the calls entered and not yet left
};

#endif
