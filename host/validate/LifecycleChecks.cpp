#include <functional>

#include "Checks.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "ProcessMemory.h"

namespace {

constexpr int kCycles = 10000;
constexpr int kWarmUpCycles = 500;
// About 200 bytes a cycle: below any object's size, above what the heap's own bookkeeping moves.
constexpr int64_t kAllowedGrowth = 2 * 1024 * 1024;

void ExpectFlatMemory(CheckContext& context, const std::string& what,
                      const std::function<void()>& cycle) {
    const std::string quarantine = ProcessMemory::QuarantineReason();
    if (!quarantine.empty()) return context.Skip(quarantine);
    for (int i = 0; i < kWarmUpCycles; ++i) cycle();
    const int64_t before = ProcessMemory::Bytes();
    for (int i = 0; i < kCycles; ++i) cycle();
    const int64_t growth = ProcessMemory::Bytes() - before;
    if (growth > kAllowedGrowth) {
        context.Fail(std::to_string(kCycles) + " " + what + " cycles grew the process by " +
                     std::to_string(growth) + " bytes, expected at most " +
                     std::to_string(kAllowedGrowth));
    }
}

}  // namespace

namespace LifecycleChecks {

void AudioMemory(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ExpectFlatMemory(context, "audio create/open/close", [&] {
        ReferenceHost host(library);
        host.CreateAudioObject();
        host.Audio().Open();
        host.CloseAudioObject();
    });
}

void GuiMemory(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateAudioObject();
    ExpectFlatMemory(context, "GUI create/initialise/close", [&] {
        host.CreateGuiObject();
        host.Gui().Initialise();
        host.CloseGuiObject();
    });
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
