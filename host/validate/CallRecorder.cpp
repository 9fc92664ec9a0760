#include "CallRecorder.h"

#include <sstream>

#include "AllocationCount.h"
#include "OpcodeNames.h"

namespace {

const char* SideOf(CallEntry entry) {
    switch (entry) {
    case CallEntry::kAudioDispatcher:
        return "audio";
    case CallEntry::kGuiDispatcher:
        return "GUI";
    case CallEntry::kAudioHostCallback:
        return "audio host";
    case CallEntry::kGuiHostCallback:
        return "GUI host";
    default:
        return "";
    }
}

bool ToHost(CallEntry entry) {
    return entry == CallEntry::kAudioHostCallback || entry == CallEntry::kGuiHostCallback;
}

std::string Describe(const CrossingCall& call) {
    std::ostringstream text;
    if (call.entry == CallEntry::kProcess) {
        text << "host -> process offset " << call.index << " frames " << call.opcode;
    } else if (call.entry == CallEntry::kEventHandler) {
        text << "host -> event_handler type " << call.opcode << " time_stamp "
             << static_cast<uint32_t>(call.index) << " int_value " << call.value;
    } else {
        text << (ToHost(call.entry) ? "module -> " : "host -> ") << SideOf(call.entry) << " "
             << OpcodeNames::Name(SideOf(call.entry), call.opcode) << " index " << call.index
             << " value " << call.value << " ptr ";
        if (call.ptr == nullptr) {
            text << "null";
        } else {
            text << call.ptr;
        }
        text << " opt " << call.opt;
        if (call.entry == CallEntry::kAudioHostCallback && call.opcode == HOST_OP_ADD_EVENT &&
            call.ptr != nullptr) {
            const auto* event = static_cast<const TimedEvent*>(call.ptr);
            text << " event {time_stamp " << event->time_stamp << ", type " << event->event_type
                 << ", int_value " << event->int_value << ", int_value2 " << event->int_value2
                 << "}";
        }
    }
    return text.str();
}

}  // namespace

CallRecorder::CallRecorder(bool trace) : m_trace_on(trace) { CallObserver::Install(this); }

CallRecorder::~CallRecorder() {
    CallObserver::Install(nullptr);
    AllocationCount::SetCounting(false);
}

void CallRecorder::Enter(const CrossingCall& call) {
    const bool counting = AllocationCount::Counting();
    AllocationCount::SetCounting(false);
    if (m_trace_on) {
        m_trace.push_back(std::string(2 * static_cast<size_t>(m_depth), ' ') + Describe(call));
    }
    if (m_depth < kMaxDepth) m_counting_before[m_depth] = counting;
    ++m_depth;
    if (call.entry == CallEntry::kProcess || call.entry == CallEntry::kEventHandler) {
        AllocationCount::SetCounting(true);
    } else {
        AllocationCount::SetCounting(ToHost(call.entry) ? false : counting);
    }
}

void CallRecorder::Leave(const CrossingCall& call, QVWord answer) {
    AllocationCount::SetCounting(false);
    --m_depth;
    if (m_trace_on) {
        const bool answers =
            call.entry != CallEntry::kProcess && call.entry != CallEntry::kEventHandler;
        m_trace.push_back(std::string(2 * static_cast<size_t>(m_depth), ' ') + "  <- " +
                          (answers ? std::to_string(static_cast<long long>(answer)) : "done"));
    }
    if (m_depth >= 0 && m_depth < kMaxDepth) {
        AllocationCount::SetCounting(m_counting_before[m_depth]);
    }
}
