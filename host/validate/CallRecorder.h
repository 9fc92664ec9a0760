// The validator's observer of crossing calls: it writes the trace when asked for one, and turns
// allocation counting on exactly while a module's process function or event entry runs (and off
// again while the module is inside a host callback, whose work is the host's).
#ifndef QVHOST_VALIDATE_CALL_RECORDER_H
#define QVHOST_VALIDATE_CALL_RECORDER_H

#include <string>
#include <vector>

#include "CallObserver.h"

class CallRecorder : public CallObserver {
public:
    explicit CallRecorder(bool trace);
    // Installs itself for its lifetime.
    ~CallRecorder() override;

    void Enter(const CrossingCall& call) override;
    void Leave(const CrossingCall& call, QVWord answer) override;

    std::vector<std::string> TakeTrace() { return std::move(m_trace); }

private:
    static constexpr int kMaxDepth = 64;

    bool m_trace_on;
    std::vector<std::string> m_trace;
    int m_depth = 0;
    bool m_counting_before[kMaxDepth] = {};
};

#endif
