#include <algorithm>
#include <functional>

#include "AllocationCount.h"
#include "AllocationWatch.h"
#include "CallRecorder.h"
#include "Checks.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "ProcessMemory.h"
#include "ValuePins.h"

namespace {

constexpr int kCycles = 10000;
// Cycles times audio pins: a module with many pins makes fewer cycles, so that its cost stays that
// of a 16-pin module, under the sanitizers too. A block left per cycle still shows in the fewest.
constexpr int64_t kPinCycles = int64_t{kCycles} * 16;
constexpr int kFewestCycles = 200;
constexpr int kWarmUpCycles = 500;
// Blocks a module may keep after all its cycles: a cache filled once, not one per object.
constexpr int64_t kAllowedLiveBlocks = 16;
// The second guard, the process's own memory: about 200 bytes a cycle, below any object's size,
// above what the heap's own bookkeeping moves.
constexpr int64_t kAllowedGrowth = 2 * 1024 * 1024;
// Input statuses posted in one cycle, taking the inputs in turn across cycles: a module's cost per
// cycle stays a few calls whatever its pin count, and each input still sees hundreds.
constexpr int32_t kStatusesPerCycle = 4;
// Changes of one value pin, or repeats of one host action, measured for what they leave behind;
// fewer for a module with many value pins, so that all of them together stay within the budget.
constexpr int kMostActions = 2000;
constexpr int kFewestActions = 200;
constexpr int kActionBudget = 40000;

// The verdict is the count of blocks the module took and did not give back; the process's growth
// guards what no count sees. A sanitizer's quarantine grows the process whatever the module does,
// and so does a trace kept in this process: then the count alone decides.
// `what` names one cycle's actions; `guard_growth` false leaves the process's growth unguarded,
// for cycles in which the host itself keeps a record of what the module says.
void ExpectNoLeak(CheckContext& context, const ModuleLibrary& library, const std::string& what,
                  int cycles, const std::function<void()>& cycle, bool guard_growth = true) {
    const AllocationWatch watch(library);
    const std::string quarantine = ProcessMemory::QuarantineReason();
    if (!watch.Unavailable().empty() && !quarantine.empty()) {
        return context.Skip(watch.Unavailable() + "; " + quarantine);
    }
    for (int i = 0; i < kWarmUpCycles; ++i) cycle();
    const int64_t live_before = AllocationCount::Live();
    const int64_t bytes_before = ProcessMemory::Bytes();
    for (int i = 0; i < cycles; ++i) cycle();
    const int64_t kept = AllocationCount::Live() - live_before;
    const int64_t growth = ProcessMemory::Bytes() - bytes_before;
    if (watch.Unavailable().empty() && kept > kAllowedLiveBlocks) {
        context.Fail(std::to_string(cycles) + " " + what + " left " + std::to_string(kept) +
                     " heap blocks of the module's behind, expected at most " +
                     std::to_string(kAllowedLiveBlocks));
    }
    if (guard_growth && quarantine.empty() && !CallRecorder::KeepingTrace() &&
        growth > kAllowedGrowth) {
        context.Fail(std::to_string(cycles) + " " + what + " grew the process by " +
                     std::to_string(growth) + " bytes, expected at most " +
                     std::to_string(kAllowedGrowth));
    }
}

}  // namespace

namespace LifecycleChecks {

void AudioMemory(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    int32_t next_input = 0;
    ReferenceHost counting(library);
    counting.CreateAudioObject();
    const int64_t audio_pins = std::max(1, counting.Audio().AudioPinCount());
    counting.CloseAudioObject();
    const int cycles =
        static_cast<int>(std::clamp<int64_t>(kPinCycles / audio_pins, kFewestCycles, kCycles));
    ExpectNoLeak(context, library, "audio create/open/process/close cycles", cycles, [&] {
        ReferenceHost host(library);
        host.CreateAudioObject();
        AudioSideHost& audio = host.Audio();
        audio.SetBlockSize(16);
        audio.Open();
        const int32_t pins = audio.AudioPinCount();
        for (int32_t posted = 0, tried = 0; posted < kStatusesPerCycle && tried < pins; ++tried) {
            const int32_t pin = next_input++ % pins;
            if (audio.AudioPin(pin).direction != DR_IN) continue;
            audio.PostPinStatus(pin, PIN_STATUS_MOVING);
            ++posted;
        }
        audio.ProcessBlock();
        audio.ProcessBlock();
        host.CloseAudioObject();
    });
}

void GuiMemory(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateAudioObject();
    const std::vector<PinDescription>& pins = host.Audio().PinTable();
    int32_t turn = 0;
    ExpectNoLeak(context, library, "GUI create/initialise/notify/close cycles", kCycles, [&] {
        host.CreateGuiObject();
        host.Gui().Initialise();
        for (size_t index = 0; index < pins.size(); ++index) {
            if (pins[index].direction == DR_IN && pins[index].datatype != DT_FSAMPLE) {
                host.Gui().SetPin(static_cast<int32_t>(index), ++turn % 2);
            }
        }
        host.CloseGuiObject();
    });
}

void PerAction(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.Start();
    AudioSideHost& audio = session.Host().Audio();
    session.SetBlockSize(16);
    const std::vector<ValuePin> pins = ValuePins(audio, context);
    const int repeats = std::clamp(kActionBudget / std::max<int>(1, static_cast<int>(pins.size())),
                                   kFewestActions, kMostActions);
    size_t turn = 0;
    for (const ValuePin& pin : pins) {
        if (pin.values.empty()) continue;
        const std::string what = "changes of pin " + std::to_string(pin.table_index) + " (" +
                                 audio.PinTable()[pin.table_index].name + "), both sides,";
        ExpectNoLeak(
            context, library, what, repeats,
            [&] {
                SetValue(session, context, pin, pin.values[turn % pin.values.size()], turn);
                ++turn;
                session.ProcessBlocks(1);
            },
            false);
    }
    const std::vector<int32_t> inputs = ModuleSession::SampleInputs(audio);
    const std::pair<std::string, std::function<void()>> actions[] = {
        {"sample rate changes", [&] { session.SetSampleRate(++turn % 2 ? 48000.0f : 44100.0f); }},
        {"block size changes", [&] { session.SetBlockSize(++turn % 2 ? 32 : 16); }},
        {"input status changes, each followed by a block",
         [&] {
             for (const int32_t pin : inputs) {
                 session.FeedSignal(pin, "dc:0",
                                    ++turn % 2 ? PIN_STATUS_CHANGED : PIN_STATUS_MOVING);
             }
             session.ProcessBlocks(1);
         }},
        {"blocks", [&] { session.ProcessBlocks(1); }},
    };
    for (const auto& [what, action] : actions) {
        ExpectNoLeak(context, library, what, repeats, action, false);
    }
    session.Verdict(context);
}

void CloseOrder(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    for (const bool audio_first : {false, true}) {
        ModuleSession session(library);
        session.Start();
        session.ProcessBlocks(1);
        ReferenceHost& host = session.Host();
        const QVWord first = audio_first ? host.CloseAudioObject() : host.CloseGuiObject();
        const QVWord second = audio_first ? host.CloseGuiObject() : host.CloseAudioObject();
        if (first != 1 || second != 1) {
            context.Fail(std::string(audio_first ? "audio" : "GUI") +
                         " object closed first: the close opcodes answered " +
                         std::to_string(first) + " and " + std::to_string(second) +
                         ", expected 1 and 1");
        }
    }
}

}  // namespace LifecycleChecks
