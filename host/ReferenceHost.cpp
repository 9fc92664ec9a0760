#include "ReferenceHost.h"

#include "CallObserver.h"
#include "HostError.h"
#include "HostRegistry.h"
#include "RecordValidator.h"

ReferenceHost::ReferenceHost(const ModuleLibrary& library)
    : m_library(library), m_handle(HostRegistry::Register(this)) {}

ReferenceHost::~ReferenceHost() {
    CloseGuiObject();
    CloseAudioObject();
    HostRegistry::Release(m_handle);
}

void ReferenceHost::CreateAudioObject() {
    if (m_audio.IsAttached()) throw HostError("the audio object exists already");
    void* record = m_library.MakeModule(QV_KIND_AUDIO, &ReferenceHost::AudioCallback, m_handle);
    m_audio.Attach(RecordValidator::CheckAudio(record));
}

void ReferenceHost::CreateGuiObject() {
    if (!m_audio.IsAttached()) throw HostError("the GUI object needs the audio object's pin table");
    if (m_gui.IsAttached()) throw HostError("the GUI object exists already");
    void* record = m_library.MakeModule(QV_KIND_GUI, &ReferenceHost::GuiCallback, m_handle);
    m_gui.Attach(RecordValidator::CheckGui(record), m_audio.PinTable());
}

void ReferenceHost::CreateObjects() {
    CreateAudioObject();
    CreateGuiObject();
}

QVWord ReferenceHost::CloseAudioObject() { return m_audio.IsAttached() ? m_audio.Close() : 0; }

int32_t ReferenceHost::CloseGuiObject() { return m_gui.IsAttached() ? m_gui.Close() : 0; }

std::vector<std::string> ReferenceHost::Problems() const {
    std::vector<std::string> problems = m_audio.Problems();
    problems.insert(problems.end(), m_gui.Problems().begin(), m_gui.Problems().end());
    return problems;
}

QVWord QV_CDECL ReferenceHost::AudioCallback(void* record, int32_t opcode, int32_t index,
                                             int32_t value, void* ptr, float opt) noexcept {
    ObservedCall call({CallEntry::kAudioHostCallback, opcode, index, value, ptr, opt});
    try {
        auto* audio = static_cast<AudioHostRecord*>(record);
        ReferenceHost* host = audio != nullptr ? HostRegistry::Find(audio->host_handle) : nullptr;
        return call.Answer(host != nullptr ? host->m_audio.Answer(audio, opcode, index, value, ptr)
                                           : 0);
    } catch (...) {
        return 0;
    }
}

QVWord QV_CDECL ReferenceHost::GuiCallback(void* record, int32_t opcode, int32_t index,
                                           int32_t value, void* ptr, float opt) noexcept {
    ObservedCall call({CallEntry::kGuiHostCallback, opcode, index, value, ptr, opt});
    try {
        auto* gui = static_cast<GuiHostRecord*>(record);
        ReferenceHost* host = gui != nullptr ? HostRegistry::Find(gui->host_handle) : nullptr;
        return call.Answer(host != nullptr ? host->m_gui.Answer(gui, opcode, index, value, ptr, opt)
                                           : 0);
    } catch (...) {
        return 0;
    }
}
