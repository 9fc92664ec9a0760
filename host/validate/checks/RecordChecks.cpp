#include <cstring>

#include "Checks.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "RecordValidator.h"
#include "ReferenceHost.h"

namespace {

void ExpectWord(CheckContext& context, const std::string& field, uint64_t actual,
                uint64_t expected) {
    if (actual != expected) {
        context.Fail("makeModule's record has " + field + " " + std::to_string(actual) +
                     ", expected " + std::to_string(expected));
    }
}

// Field by field: a 64-bit build pads the records, and padding is nobody's value.
bool SameExceptProcess(const AudioHostRecord& a, const AudioHostRecord& b) {
    return a.magic == b.magic && a.version == b.version && a.host_handle == b.host_handle &&
           a.object == b.object && a.reserved0 == b.reserved0 && a.dispatcher == b.dispatcher &&
           a.event_handler == b.event_handler &&
           std::memcmp(a.reserved, b.reserved, sizeof a.reserved) == 0;
}

bool Same(const GuiHostRecord& a, const GuiHostRecord& b) {
    return a.magic == b.magic && a.version == b.version && a.dispatcher == b.dispatcher &&
           a.host_handle == b.host_handle && a.object == b.object &&
           std::memcmp(a.reserved, b.reserved, sizeof a.reserved) == 0;
}

// Makes the object of one kind (a GUI object needs the audio object's pin table first); a record
// the host refuses is this check's failure, with the host's reason.
bool Made(CheckContext& context, ReferenceHost& host, bool gui) {
    if (gui) host.CreateAudioObject();
    try {
        if (gui) {
            host.CreateGuiObject();
        } else {
            host.CreateAudioObject();
        }
        return true;
    } catch (const RecordValidator::Refused& refused) {
        context.Fail(std::string("makeModule(0, ") + (gui ? "2" : "1") +
                     ") answered a record the host refuses: " + refused.what());
        return false;
    }
}

void ExpectSet(CheckContext& context, const std::string& field, bool set) {
    if (!set) context.Fail("makeModule's record has " + field + " null, expected an entry");
}

}  // namespace

namespace RecordChecks {

// The magic, version, back pointer and dispatcher are checked by the host before it uses a
// record; a bad one ends the check with the host's reason.
void AudioRecord(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    if (!Made(context, host, false)) return;
    const AudioHostRecord& record = *host.Audio().Record();
    ExpectWord(context, "host_handle", record.host_handle, host.Handle());
    ExpectWord(context, "the reserved word at offset 16", record.reserved0, 0);
    for (const uint32_t word : record.reserved) ExpectWord(context, "a reserved word", word, 0);
    ExpectSet(context, "process", record.process != nullptr);
    ExpectSet(context, "event_handler", record.event_handler != nullptr);
}

void GuiRecord(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    if (!Made(context, host, true)) return;
    const GuiHostRecord& record = *host.Gui().Record();
    ExpectWord(context, "host_handle", record.host_handle, host.Handle());
    for (const uint32_t word : record.reserved) ExpectWord(context, "a reserved word", word, 0);
}

void AudioRecordStable(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.Host().CreateAudioObject();
    const AudioHostRecord* record = session.Host().Audio().Record();
    const AudioHostRecord made = *record;
    auto compare = [&] {
        if (!SameExceptProcess(*record, made)) {
            context.Fail("the audio record changed in a field other than process");
        }
    };
    session.Host().CreateGuiObject();
    session.Host().Audio().Open();
    session.Host().Gui().Initialise();
    session.ProcessBlocks(2);
    compare();
    session.ChangeEveryInput(context, compare);
}

void GuiRecordStable(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.Host().CreateObjects();
    const GuiHostRecord* record = session.Host().Gui().Record();
    const GuiHostRecord made = *record;
    auto compare = [&] {
        if (!Same(*record, made)) {
            context.Fail("the GUI record changed after makeModule");
        }
    };
    session.Host().Audio().Open();
    session.Host().Gui().Initialise();
    compare();
    session.ChangeEveryInput(context, compare);
}

}  // namespace RecordChecks
