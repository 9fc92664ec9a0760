// The ids of the rules the reference host watches, one for each kind of finding. Every problem and
// warning a host side keeps ends with the id of the rule it breaks, in brackets, set where it is
// raised: "audio: a process call of frames 0..63 wrote NaN to pin Out at offset 0
// [outputs-not-nan]". `qvhost validate --rules` describes each.
#ifndef QVHOST_HOST_RULE_IDS_H
#define QVHOST_HOST_RULE_IDS_H

namespace HostRuleId {
inline constexpr char kPinTableEnds[] = "pin-table-ends";
inline constexpr char kOwnRecord[] = "own-record";
inline constexpr char kKnownRecord[] = "known-record";
inline constexpr char kBuffersOfAudioPins[] = "buffers-of-audio-pins";
inline constexpr char kProcessEntrySet[] = "process-entry-set";
inline constexpr char kEventGiven[] = "event-given";
inline constexpr char kEventEntrySet[] = "event-entry-set";
inline constexpr char kEventsNotInPast[] = "events-not-in-past";
inline constexpr char kEventsPerClock[] = "events-per-clock";
inline constexpr char kWritesInFrames[] = "writes-in-frames";
inline constexpr char kWritesInBuffer[] = "writes-in-buffer";
inline constexpr char kInputsUnwritten[] = "inputs-unwritten";
inline constexpr char kOutputsNotNan[] = "outputs-not-nan";
inline constexpr char kOutputsFinite[] = "outputs-finite";
inline constexpr char kOutputsNormal[] = "outputs-normal";
inline constexpr char kMessagesForPins[] = "messages-for-pins";
inline constexpr char kMessagesNotLate[] = "messages-not-late";
inline constexpr char kHostOpcodesKnown[] = "host-opcodes-known";
inline constexpr char kStaticOutputsHold[] = "static-outputs-hold";
inline constexpr char kPinsInTable[] = "pins-in-table";
inline constexpr char kReadsIntoBuffer[] = "reads-into-buffer";
inline constexpr char kWritesInType[] = "writes-in-type";
inline constexpr char kNestingBounded[] = "nesting-bounded";
inline constexpr char kFanOutBounded[] = "fan-out-bounded";
inline constexpr char kGuiCallsInItsCalls[] = "gui-calls-in-its-calls";
inline constexpr char kNoHeapInProcess[] = "no-heap-in-process";
}  // namespace HostRuleId

#endif
