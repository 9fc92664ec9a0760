#include <algorithm>
#include <functional>

#include "AllocationCount.h"
#include "AllocationWatch.h"
#include "CallRecorder.h"
#include "Checks.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "ProcessMemory.h"
#include "TimedRounds.h"
#include "ValuePins.h"

namespace {

constexpr int kCycles = 10000;
// Cycles times audio pins: a module with many pins makes fewer cycles, so that its cost stays that
// of a 16-pin module, under the sanitizers too.
constexpr int64_t kPinCycles = int64_t{kCycles} * 16;
// Whatever the time: enough that a block left per cycle outnumbers what a module may keep.
constexpr int kFewestCycles = 40;
constexpr int kWarmUpCycles = 500;
constexpr int kFewestWarmUpCycles = 3;
// The share of a check's time its rounds take, and of that the share its warm-up takes.
constexpr double kRoundsShare = 0.5;
constexpr double kWarmUpShare = 0.2;
// Blocks a module may keep after all its cycles: a cache filled once, not one per object.
constexpr int64_t kAllowedLiveBlocks = 16;
// Where the module's blocks cannot be counted, the process's own growth is the guard: about 200
// bytes a cycle, below any object's size, above what the heap's own bookkeeping moves.
constexpr int64_t kAllowedGrowthPerCycle = 200;
// Input statuses posted in one cycle, taking the inputs in turn across cycles: a module's cost per
// cycle stays a few calls whatever its pin count, and each input still sees hundreds.
constexpr int32_t kStatusesPerCycle = 4;
// Changes of one value pin, or repeats of one host action, measured for what they leave behind.
constexpr int kMostActions = 2000;
constexpr int kFewestActions = 20;

// The verdict is the count of blocks the module took and did not give back, counted while its own
// code ran: what the host keeps (a copy of a text the module handed it, a record of its writes)
// is never the module's. Only where the module's blocks cannot be counted does the process's
// growth decide, and not where a sanitizer's quarantine grows it whatever the module does.
// `what` names one cycle's actions, run within `limits` after a warm-up; `guard_growth` false
// leaves the process's growth unguarded, for cycles in which the host itself keeps a record of
// what the module says.
void ExpectNoLeak(CheckContext& context, const ModuleLibrary& library, const std::string& what,
                  const RoundLimits& limits, const std::function<void()>& cycle,
                  bool guard_growth = true) {
    const AllocationWatch watch(library);
    const std::string quarantine = ProcessMemory::QuarantineReason();
    if (!watch.Unavailable().empty() && !quarantine.empty()) {
        return context.Skip(watch.Unavailable() + "; " + quarantine);
    }
    const auto round = [&] {
        cycle();
        return true;
    };
    RunTimedRounds("warm-up " + what,
                   {kFewestWarmUpCycles, kWarmUpCycles, kWarmUpShare * limits.seconds}, round);
    const int64_t live_before = AllocationCount::Live();
    const int64_t bytes_before = ProcessMemory::Bytes();
    const int cycles = RunTimedRounds(
        what, {limits.fewest, limits.most, (1.0 - kWarmUpShare) * limits.seconds}, round);
    const int64_t kept = AllocationCount::Live() - live_before;
    const int64_t growth = ProcessMemory::Bytes() - bytes_before;
    if (watch.Unavailable().empty()) {
        if (kept > kAllowedLiveBlocks) {
            context.Fail(std::to_string(cycles) + " " + what + " left " + std::to_string(kept) +
                         " heap blocks of the module's behind, expected at most " +
                         std::to_string(kAllowedLiveBlocks));
        }
    } else if (guard_growth && !CallRecorder::KeepingTrace() &&
               growth > kAllowedGrowthPerCycle * cycles) {
        context.Fail(std::to_string(cycles) + " " + what + " grew the process by " +
                     std::to_string(growth) + " bytes, expected at most " +
                     std::to_string(kAllowedGrowthPerCycle) + " a cycle (" +
                     watch.Unavailable() + ")");
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
    ExpectNoLeak(context, library, "audio create/open/process/close cycles",
                 {kFewestCycles, cycles, context.TimeBudget(kRoundsShare)}, [&] {
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
    ExpectNoLeak(context, library, "GUI create/initialise/notify/close cycles",
                 {kFewestCycles, kCycles, context.TimeBudget(kRoundsShare)}, [&] {
        host.CreateGuiObject();
        host.Gui().Initialise();
        for (size_t index = 0; index < pins.size(); ++index) {
            if (pins[index].direction == DR_IN && pins[index].datatype != DT_FSAMPLE &&
                (pins[index].flags & IO_UI_COMMUNICATION) != 0) {
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
    const std::vector<int32_t> inputs = audio.SamplePins(DR_IN);
    constexpr int kHostActions = 4;
    const RoundLimits limits{kFewestActions, kMostActions,
                             context.TimeBudget(kRoundsShare) /
                                 static_cast<double>(pins.size() + kHostActions)};
    size_t turn = 0;
    for (const ValuePin& pin : pins) {
        if (pin.values.empty()) continue;
        const std::string what = "changes of pin " + std::to_string(pin.table_index) + " (" +
                                 audio.PinTable()[pin.table_index].name + "), both sides,";
        ExpectNoLeak(
            context, library, what, limits,
            [&] {
                SetValue(session, context, pin, pin.values[turn % pin.values.size()], turn);
                ++turn;
                session.ProcessBlocks(1);
            },
            false);
    }
    const std::pair<std::string, std::function<void()>> actions[kHostActions] = {
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
        ExpectNoLeak(context, library, what, limits, action, false);
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
