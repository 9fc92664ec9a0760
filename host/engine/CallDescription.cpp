#include "CallDescription.h"

#include <sstream>

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

}  // namespace

bool IsCallToHost(CallEntry entry) {
    return entry == CallEntry::kAudioHostCallback || entry == CallEntry::kGuiHostCallback;
}

std::string DescribeCall(const CrossingCall& call) {
    std::ostringstream text;
    if (call.entry == CallEntry::kHostAction) {
        text << (call.note != nullptr ? call.note : "host action");
    } else if (call.entry == CallEntry::kFactory) {
        text << "host -> makeModule kind " << call.opcode;
    } else if (call.entry == CallEntry::kProcess) {
        text << "host -> process offset " << call.index << " frames " << call.opcode;
    } else if (call.entry == CallEntry::kEventHandler) {
        text << "host -> event_handler type " << call.opcode << " time_stamp "
             << static_cast<uint32_t>(call.index) << " int_value " << call.value;
    } else {
        text << (IsCallToHost(call.entry) ? "module -> " : "host -> ") << SideOf(call.entry) << " "
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
        if (call.note != nullptr) text << " (" << call.note << ")";
    }
    return text.str();
}
