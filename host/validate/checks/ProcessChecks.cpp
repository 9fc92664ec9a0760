#include <initializer_list>

#include "AllocationCount.h"
#include "AllocationWatch.h"
#include "CallDescription.h"
#include "Checks.h"
#include "HostNotes.h"
#include "HostRuleIds.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"

namespace {

constexpr int32_t kBlockSizes[] = {1, 64, AudioSideHost::kMaxBlockSize};
constexpr int kMaxNoticeRounds = 4;

// The record's entry and the one the host took at the last notice must be the same.
void ExpectEntryKnown(CheckContext& context, AudioSideHost& audio, const std::string& when) {
    if (audio.Record()->process != audio.ProcessEntry()) {
        context.Fail("the record's process entry changed " + when +
                     " without HOST_OP_PROCESS_CHANGED");
    }
}

// The run the rules of processing are checked on (every input through its values, every signal),
// failed on the host's findings under `failing` and warned on the first under `warning`.
void PlayUnderRules(CheckContext& context, std::initializer_list<const char*> failing,
                    const char* warning = nullptr) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.RunTypical(context);
    session.PlayEverySignal(context);
    for (const char* rule : failing) context.FailOnRule(session.Host(), rule);
    if (warning != nullptr) context.WarnOnRule(session.Host(), warning);
}

}  // namespace

namespace ProcessChecks {

void EntrySet(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.Start();
    AudioSideHost& audio = session.Host().Audio();
    if (audio.Record()->process == nullptr) {
        context.Fail("after MOD_OP_OPEN the record's process entry is null, expected a function");
    }
    ExpectEntryKnown(context, audio, "during MOD_OP_OPEN");
    session.ProcessBlocks(1);
    context.FailOnRule(session.Host(), "process-entry-set");
}

void BlockSizes(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.Start();
    AudioSideHost& audio = session.Host().Audio();
    // Every entry the module installs gets the same sizes; a notice during a round asks for
    // another round with the new entry.
    for (int round = 0; round < kMaxNoticeRounds; ++round) {
        const int notices = audio.Counts().process_changed;
        audio.ProcessNoFrames();
        for (const int32_t size : kBlockSizes) {
            audio.SetBlockSize(size);
            audio.ProcessBlock();
            audio.ProcessBlock();
        }
        if (audio.Counts().process_changed == notices) break;
    }
    context.FailOnRule(session.Host(), "process-entry-set");
}

void EntryNotified(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    AudioSideHost& audio = session.Host().Audio();
    session.RunTypical(context, [&] { ExpectEntryKnown(context, audio, "while running"); });
    for (const int32_t opcode : {MOD_OP_SAMPLE_RATE, MOD_OP_BLOCK_SIZE, MOD_OP_NOTIFY,
                                 MOD_OP_MESSAGE, MOD_OP_GET_PROCESS_FUNCTION}) {
        audio.Dispatch(opcode, 1, ModuleSession::kBlockSize, nullptr, ModuleSession::kSampleRate);
        ExpectEntryKnown(context, audio, "on opcode " + std::to_string(opcode));
    }
}

void PinBuffers(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.RunTypical(context);
    context.FailOnRule(session.Host(), "buffers-of-audio-pins");
    context.FailOnRule(session.Host(), "own-record");
    AudioSideHost& audio = session.Host().Audio();
    for (int32_t pin = 0; pin < audio.AudioPinCount(); ++pin) {
        if (audio.Answer(audio.Record(), HOST_OP_PIN_BUFFER, pin, 0, nullptr) == 0) {
            context.Fail("the host served no buffer for audio pin " + std::to_string(pin));
        }
    }
}

void NoAllocation(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    const AllocationWatch watch(library);
    if (!watch.Unavailable().empty()) return context.Skip(watch.Unavailable());
    ModuleSession session(library);
    session.Start();
    AllocationCount::Restart();
    session.ProcessBlocks(8);
    session.ChangeEveryInput(context);
    session.PlayEverySignal(context);
    session.ProcessBlocks(8);
    const uint64_t counted = AllocationCount::Counted();
    if (counted != 0) {
        context.Fail(RuleNote(HostRuleId::kNoHeapInProcess,
                              std::to_string(counted) +
                                  " calls of heap functions inside process calls and event "
                                  "deliveries, expected none; the first inside: " +
                                  DescribeCall(AllocationCount::FirstCall())));
    }
}

void BufferBounds(CheckContext& context) {
    PlayUnderRules(context, {"writes-in-frames", "writes-in-buffer", "inputs-unwritten"});
}

void OutputsFinite(CheckContext& context) {
    PlayUnderRules(context, {"outputs-not-nan", "outputs-finite"}, "outputs-normal");
}

void PinMessages(CheckContext& context) {
    PlayUnderRules(context, {"messages-for-pins", "messages-not-late"}, "host-opcodes-known");
}

void StaticOutputs(CheckContext& context) { PlayUnderRules(context, {"static-outputs-hold"}); }

}  // namespace ProcessChecks
