#include "Checks.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"

namespace {

constexpr int32_t kBlockSizes[] = {1, 7, 64, 256};

// A session in blocks of several sizes, so that events fall inside and across blocks.
void RunInBlocks(CheckContext& context, ModuleSession& session) {
    session.RunTypical(context);
    for (const int32_t size : kBlockSizes) {
        session.SetBlockSize(size);
        session.ProcessBlocks(8);
    }
}

}  // namespace

namespace EventChecks {

void OnTime(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    RunInBlocks(context, session);
    const AudioSideHost& audio = session.Host().Audio();
    const AudioCounts& counts = audio.Counts();
    // The queue holds the host's own pin statuses too.
    const int queued = counts.events_queued + counts.host_events_posted;
    if (queued != counts.events_delivered + static_cast<int>(audio.PendingEvents())) {
        context.Fail(std::to_string(queued) + " events queued, " +
                     std::to_string(counts.events_delivered) + " delivered and " +
                     std::to_string(audio.PendingEvents()) + " still due");
    }
    context.FailOnRule(session.Host(), "event-given");
    context.FailOnRule(session.Host(), "event-entry-set");
}

void NotInPast(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    RunInBlocks(context, session);
    context.FailOnRule(session.Host(), "events-not-in-past");
}

void PerClockLimit(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    RunInBlocks(context, session);
    context.FailOnRule(session.Host(), "events-per-clock");
}

void HostEvents(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.Start();
    session.ProcessBlocks(2);
    AudioSideHost& audio = session.Host().Audio();
    // Types the module does not handle are ignored; a timed value carries a 16-bit tag.
    for (const int32_t type : {1, 6, 22, 99, -1}) {
        audio.DeliverHostEvent(TimedEvent{0, type, 0, 0, 0, 0});
    }
    for (const int32_t tag : {0, 5, 0x8000, -1, 0x7FFF}) {
        audio.DeliverHostEvent(TimedEvent{0, EVENT_TIMED_VALUE, INT32_MIN, tag, 0, 0});
        session.ProcessBlocks(1);
    }
    for (int32_t pin = 0; pin < audio.AudioPinCount(); ++pin) {
        for (const int32_t status : {1, 2, 0}) {
            audio.DeliverHostEvent(
                TimedEvent{0, EVENT_PIN_STATUS, status, 0, static_cast<uintptr_t>(pin), 0});
            session.ProcessBlocks(1);
        }
    }
    context.FailOnRule(session.Host(), "event-entry-set");
}

}  // namespace EventChecks
