#include <memory>
#include <set>

#include "Checks.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "ReferenceHost.h"

namespace {

constexpr int kObjectsOfEachKind = 6;

std::string Call(int32_t index, int32_t kind) {
    return "makeModule(index " + std::to_string(index) + ", kind " + std::to_string(kind) + ")";
}

void ExpectNull(CheckContext& context, const ModuleLibrary& library, const ReferenceHost& host,
                int32_t index, int32_t kind) {
    HostCallback callback =
        kind == QV_KIND_GUI ? &ReferenceHost::GuiCallback : &ReferenceHost::AudioCallback;
    // A record made here in spite of the contract is never closed: closing it would trust it.
    if (library.MakeModuleAt(index, kind, callback, host.Handle()) != nullptr) {
        context.FailCall(Call(index, kind), "a record", "null");
    }
}

}  // namespace

namespace FactoryChecks {

void UnknownIndex(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    const ReferenceHost host(library);
    for (const int32_t index : context.EdgeValues()) {
        if (index == 0) continue;
        for (const int32_t kind : {QV_KIND_AUDIO, QV_KIND_GUI}) {
            ExpectNull(context, library, host, index, kind);
        }
    }
}

void UnknownKind(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    const ReferenceHost host(library);
    std::vector<int32_t> kinds = context.EdgeValues();
    kinds.push_back(3);
    for (const int32_t kind : kinds) {
        if (kind != QV_KIND_AUDIO && kind != QV_KIND_GUI) {
            ExpectNull(context, library, host, 0, kind);
        }
    }
}

void DistinctRecords(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    std::vector<std::unique_ptr<ReferenceHost>> hosts;
    std::set<const void*> records;
    std::set<const void*> objects;
    for (int i = 0; i < kObjectsOfEachKind; ++i) {
        hosts.push_back(std::make_unique<ReferenceHost>(library));
        ReferenceHost& host = *hosts.back();
        host.CreateObjects();
        const bool fresh = records.insert(host.Audio().Record()).second &&
                           records.insert(host.Gui().Record()).second &&
                           objects.insert(host.Audio().Record()->object).second &&
                           objects.insert(host.Gui().Record()->object).second;
        if (!fresh) {
            context.Fail("makeModule call " + std::to_string(i + 1) +
                         " of each kind answered a record or back pointer given out before, "
                         "expected one of its own");
        }
    }
}

void ObjectsAliveTogether(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    std::vector<std::unique_ptr<ModuleSession>> sessions;
    for (int i = 0; i < kObjectsOfEachKind; ++i) {
        sessions.push_back(std::make_unique<ModuleSession>(library));
        sessions.back()->Start();
    }
    for (auto& session : sessions) session->ProcessBlocks(2);
    for (auto& session : sessions) {
        const QVWord gui_answer = session->Host().CloseGuiObject();
        const QVWord audio_answer = session->Host().CloseAudioObject();
        if (gui_answer != 1 || audio_answer != 1) {
            context.Fail("with " + std::to_string(kObjectsOfEachKind) +
                         " objects of each kind alive, GUI_OP_CLOSE answered " +
                         std::to_string(gui_answer) + " and MOD_OP_CLOSE " +
                         std::to_string(audio_answer) + ", expected 1 and 1");
        }
    }
}

}  // namespace FactoryChecks
