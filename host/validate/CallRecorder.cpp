#include "CallRecorder.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstring>
#include <exception>
#include <sstream>

#include "CallDescription.h"
#include "CheckProgress.h"
#include "OpcodeNames.h"

namespace {

// The clock an audio call is timed by: natively the thread's CPU time, which a machine busy with
// other work leaves alone, at a system call a read. On Windows that clock costs a trip to wine's
// server a read and moves in ticks of 10 ms there: the steady clock serves instead, which a busy
// machine can only make run longer.
double AudioThreadSeconds() {
#ifdef _WIN32
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

bool IsAudioCall(const CrossingCall& call) {
    return call.entry == CallEntry::kProcess || call.entry == CallEntry::kEventHandler;
}

// What a call handed back besides its answer: the value a pin read wrote into the module's buffer.
std::string Returned(const CrossingCall& call) {
    if (call.entry != CallEntry::kGuiHostCallback || call.opcode != GUIHOST_OP_READ_PIN_VALUE ||
        call.ptr == nullptr) {
        return std::string();
    }
    int32_t word = 0;
    float real = 0.0f;
    std::memcpy(&word, call.ptr, sizeof word);
    std::memcpy(&real, call.ptr, sizeof real);
    std::ostringstream text;
    text << " (read " << word << ", as a float " << real << ")";
    return text.str();
}

}  // namespace

bool CallRecorder::s_keeping_trace = false;

CallRecorder::CallRecorder(bool trace, std::function<void(const std::string&)> sink)
    : m_trace_on(trace), m_sink(std::move(sink)) {
    s_keeping_trace = m_trace_on && !m_sink;
    CallObserver::Install(this);
}

void CallRecorder::Write(std::string line) {
    if (m_sink) {
        m_sink(line);
    } else {
        m_trace.push_back(std::move(line));
    }
}

CallRecorder::~CallRecorder() {
    s_keeping_trace = false;
    CallObserver::Install(nullptr);
    HeapCallCounting::Resume({false, false});
}

void CallRecorder::Enter(const CrossingCall& call) {
    // A check's bound and its child's crash line cover loads; the trace and the counts are of
    // the interface's calls.
    if (call.entry == CallEntry::kLibraryLoad) return;
    // The recorder's own work is the host's: nothing of it is counted.
    const HeapCallCounting::State before = HeapCallCounting::Pause();
    if (m_trace_on) Write(std::string(2 * static_cast<size_t>(m_depth), ' ') + DescribeCall(call));
    if (call.entry == CallEntry::kHostAction) return HeapCallCounting::Resume(before);
    const bool to_host = IsCallToHost(call.entry);
    if (m_depth == 0 && !to_host) {
        CheckProgress::CallEntered(call);
        if (m_timing_audio_calls && IsAudioCall(call)) m_audio_call_start = AudioThreadSeconds();
    }
    if (m_depth < kMaxDepth) {
        m_exceptions_before[m_depth] = std::uncaught_exceptions();
        m_calls[m_depth] = call;
    }
    ++m_depth;
    m_heap.Enter(call, before);
}

std::string CallRecorder::CallIntoModule() const {
    for (int depth = std::min(m_depth, kMaxDepth) - 1; depth >= 0; --depth) {
        if (!IsCallToHost(m_calls[depth].entry)) return DescribeCall(m_calls[depth]);
    }
    return std::string();
}

void CallRecorder::Leave(const CrossingCall& call, QVWord answer) {
    if (call.entry == CallEntry::kHostAction || call.entry == CallEntry::kLibraryLoad) return;
    HeapCallCounting::Pause();
    if (--m_depth == 0) {
        CheckProgress::CallLeft();
        if (m_timing_audio_calls && IsAudioCall(call)) {
            m_audio_call_seconds += AudioThreadSeconds() - m_audio_call_start;
        }
    }
    const bool known = m_depth >= 0 && m_depth < kMaxDepth;
    const bool thrown = known && std::uncaught_exceptions() > m_exceptions_before[m_depth];
    if (thrown && !IsCallToHost(call.entry) && m_thrown_out_of.empty()) {
        m_thrown_out_of = DescribeCall(call);
    }
    if (m_trace_on) {
        const bool answers =
            call.entry != CallEntry::kProcess && call.entry != CallEntry::kEventHandler;
        Write(std::string(2 * static_cast<size_t>(m_depth), ' ') + "  <- " +
              (thrown    ? std::string("exception")
               : answers ? std::to_string(static_cast<long long>(answer))
                         : "done") +
              Returned(call));
    }
    m_heap.Leave();
}
