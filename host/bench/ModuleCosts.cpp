#include "ModuleCosts.h"

#include <string>

#include "FloorModule.h"
#include "HostError.h"
#include "ModuleLibrary.h"
#include "RecordValidator.h"
#include "ReferenceHost.h"
#include "TransientCallbacks.h"

namespace {

// The pin whose notification makes the module work: the first boolean input, else pin 0. It is
// set to 1 first, so a module that acts on a true gate does its whole job on every notification.
int32_t NotifiedPin(const std::vector<PinDescription>& pins) {
    for (size_t i = 0; i < pins.size(); ++i) {
        if (pins[i].direction == DR_IN && pins[i].datatype == DT_BOOL)
            return static_cast<int32_t>(i);
    }
    return 0;
}

// Make, open and close one object of `kind`, through the record that `make` hands out.
template <typename Make>
void LiveOnce(int32_t kind, Make&& make) {
    if (kind == QV_KIND_AUDIO) {
        auto* record = static_cast<AudioHostRecord*>(make());
        record->dispatcher(record, MOD_OP_OPEN, 0, 0, nullptr, 0.0f);
        record->dispatcher(record, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
    } else {
        auto* record = static_cast<GuiHostRecord*>(make());
        record->dispatcher(record, GUI_OP_INITIALISE, 1, 0, nullptr, 0.0f);
        record->dispatcher(record, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f);
    }
}

void CheckTransientRecord(const ModuleLibrary& library, int32_t kind, HostCallback callback,
                          uint32_t handle) {
    void* record = library.MakeModule(kind, callback, handle);
    if (kind == QV_KIND_AUDIO) {
        AudioHostRecord* audio = RecordValidator::CheckAudio(record);
        audio->dispatcher(audio, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
    } else {
        GuiHostRecord* gui = RecordValidator::CheckGui(record);
        gui->dispatcher(gui, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f);
    }
}

}  // namespace

ModuleCostReport ModuleCosts::Measure(const std::string& path, int samples_per_round) {
    const CallTimer timer(samples_per_round);
    ModuleCostReport report{path, samples_per_round, {}, {}};

    // First, while no other handle keeps the library mapped.
    report.costs.push_back({"load + unload", timer.Measure([&] { ModuleLibrary once(path); }), {}});

    const ModuleLibrary library(path);
    ReferenceHost host(library);
    host.CreateObjects();
    host.Audio().Open();
    host.Gui().Initialise();
    AudioHostRecord* audio = host.Audio().Record();
    GuiHostRecord* gui = host.Gui().Record();

    auto* floor_audio = static_cast<AudioHostRecord*>(
        FloorModule::Make(QV_KIND_AUDIO, &ReferenceHost::AudioCallback, host.Handle(), audio));
    auto* floor_gui = static_cast<GuiHostRecord*>(
        FloorModule::Make(QV_KIND_GUI, &ReferenceHost::GuiCallback, host.Handle(), gui));

    for (const int32_t frames : kBlockSizes) {
        const ProcessFn process = host.Audio().ProcessEntry();
        if (process == nullptr) throw HostError("the audio record's process entry is null");
        report.costs.push_back(
            {"process, " + std::to_string(frames) + " frames",
             timer.Measure([&] { process(audio->object, 0, frames); }),
             timer.Measure([&] { floor_audio->process(floor_audio->object, 0, frames); })});
    }

    const int32_t pin = NotifiedPin(host.Audio().PinTable());
    if (host.Gui().Pins().Contains(pin)) host.Gui().SetPin(pin, 1);
    const GuiSideHost::Entry entry(host.Gui());
    report.costs.push_back(
        {"GUI notification, pin " + std::to_string(pin),
         timer.Measure([&] { gui->dispatcher(gui, GUI_OP_PIN_CHANGED, pin, 0, nullptr, 0.0f); }),
         timer.Measure([&] {
             floor_gui->dispatcher(floor_gui, GUI_OP_PIN_CHANGED, pin, 0, nullptr, 0.0f);
         })});

    floor_audio->dispatcher(floor_audio, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
    floor_gui->dispatcher(floor_gui, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f);

    for (const int32_t kind : {QV_KIND_AUDIO, QV_KIND_GUI}) {
        const HostCallback callback =
            kind == QV_KIND_AUDIO ? &TransientCallbacks::Audio : &TransientCallbacks::Gui;
        const uint32_t handle = host.Handle();
        CheckTransientRecord(library, kind, callback, handle);
        report.costs.push_back(
            {std::string(kind == QV_KIND_AUDIO ? "audio" : "GUI") + " object: make, open, close",
             timer.Measure([&] {
                 LiveOnce(kind, [&] { return library.MakeModule(kind, callback, handle); });
             }),
             timer.Measure([&] {
                 LiveOnce(kind, [&] { return FloorModule::Make(kind, callback, handle, nullptr); });
             })});
    }

    host.CloseGuiObject();
    host.CloseAudioObject();
    report.problems = host.Problems();
    return report;
}
