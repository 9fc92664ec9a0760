#include "HostRules.h"

#include "HostError.h"
#include "HostRuleIds.h"

const std::vector<HostRule>& HostRules::All() {
    static const std::vector<HostRule> rules{
        {HostRuleId::kPinTableEnds, "pin table over 256", false},
        {HostRuleId::kOwnRecord, "call with a foreign record", false},
        {HostRuleId::kKnownRecord, "call with a foreign record", false},
        {HostRuleId::kBuffersOfAudioPins, "pin buffer of no audio pin", false},
        {HostRuleId::kProcessEntrySet, "process entry null", false},
        {HostRuleId::kEventGiven, "HOST_OP_ADD_EVENT without event", false},
        {HostRuleId::kEventEntrySet, "event entry null", false},
        {HostRuleId::kEventsNotInPast, "event stamped in the past", false},
        {HostRuleId::kEventsPerClock, "more than 1000 events at one clock", false},
        {HostRuleId::kWritesInFrames, "a write outside the call's frames", false},
        {HostRuleId::kWritesInBuffer, "a write outside a buffer", false},
        {HostRuleId::kInputsUnwritten, "a write into an input", false},
        {HostRuleId::kOutputsNotNan, "a NaN output", false},
        {HostRuleId::kOutputsFinite, "an infinite output", false},
        {HostRuleId::kOutputsNormal, "a subnormal output", true},
        {HostRuleId::kMessagesForPins, "a message for no pin", false},
        {HostRuleId::kMessagesNotLate, "a message for a clock already gone", false},
        {HostRuleId::kHostOpcodesKnown, "a host opcode this host does not know", true},
        {HostRuleId::kStaticOutputsHold, "a STATIC output that moves", false},
        {HostRuleId::kPinsInTable, "pin not in the pin table", false},
        {HostRuleId::kReadsIntoBuffer, "pin read without a buffer", false},
        {HostRuleId::kWritesInType, "a pin written in another type", false},
        {HostRuleId::kNestingBounded, "notifications nested too deep", false},
        {HostRuleId::kFanOutBounded, "too many notifications from one change", false},
        {HostRuleId::kGuiCallsInItsCalls, "a GUI host call outside the GUI object's calls", false},
        {HostRuleId::kNoHeapInProcess,
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

const HostRule* HostRules::Of(const std::string& finding) {
    for (const HostRule& rule : All()) {
        if (finding.find(rule.Tag()) != std::string::npos) return &rule;
    }
    return nullptr;
}
