#include "HostRules.h"

#include "HostError.h"

const std::vector<HostRule>& HostRules::All() {
    static const std::vector<HostRule> rules{
        {"pin-table-ends", "did not end within", "pin table over 256", false},
        {"own-record", "does not hold", "call with a foreign record", false},
        {"known-record", "record no host holds", "call with a foreign record", false},
        {"buffers-of-audio-pins", "HOST_OP_PIN_BUFFER for pin", "pin buffer of no audio pin",
         false},
        {"process-entry-set", "process entry is null", "process entry null", false},
        {"event-given", "without an event", "HOST_OP_ADD_EVENT without event", false},
        {"event-entry-set", "event entry is null", "event entry null", false},
        {"events-not-in-past", "already past", "event stamped in the past", false},
        {"events-per-clock", "events at sample clock", "more than 1000 events at one clock", false},
        {"writes-in-frames", "outside its frames", "a write outside the call's frames", false},
        {"writes-in-buffer", "outside its buffer", "a write outside a buffer", false},
        {"inputs-unwritten", "wrote input", "a write into an input", false},
        {"outputs-not-nan", "wrote NaN", "a NaN output", false},
        {"outputs-finite", "wrote infinity", "an infinite output", false},
        {"outputs-normal", "subnormal", "a subnormal output", true},
        {"messages-for-pins", "which does not exist", "a message for no pin", false},
        {"messages-not-late", "already gone", "a message for a clock already gone", false},
        {"host-opcodes-known", "host opcode", "a host opcode this host does not know", true},
        {"static-outputs-hold", "announced STATIC", "a STATIC output that moves", false},
        {"pins-in-table", "which the pin table does not have", "pin not in the pin table", false},
        {"reads-into-buffer", "READ_PIN_VALUE without a buffer", "pin read without a buffer",
         false},
        {"writes-in-type", "written through the", "a pin written in another type", false},
        {"nesting-bounded", "notifications deep", "notifications nested too deep", false},
        {"fan-out-bounded", "notifications from one change",
         "too many notifications from one change", false},
        {"gui-calls-in-its-calls", "from outside a call into the GUI object",
         "a GUI host call outside the GUI object's calls", false},
        {"no-heap-in-process", "calls of heap functions",
         "a heap function called in a process call or event delivery", false},
    };
    return rules;
}

const HostRule& HostRules::Get(const std::string& id) {
    for (const HostRule& rule : All()) {
        if (id == rule.id) return rule;
    }
    throw HostError("no host rule " + id);
}
