#include "ReferenceHost.h"

#include <atomic>

#include "CallObserver.h"
#include "HostError.h"
#include "HostNotes.h"
#include "HostRegistry.h"
#include "HostRuleIds.h"
#include "RecordValidator.h"

namespace {
// Host calls whose record leads to no live host: a module that passes something else than its
// own record (its object's address, say) reaches no host at all, and only this count sees it.
std::atomic<uint32_t> g_stray_calls{0};

// The host that serves `record`: the one its host handle names, if that host holds the record.
template <typename Record>
ReferenceHost* HostOf(Record* record) {
    ReferenceHost* host = record != nullptr ? HostRegistry::Find(record->host_handle) : nullptr;
    if (host == nullptr) ++g_stray_calls;
    return host;
}
}  // namespace

ReferenceHost::ReferenceHost(const ModuleSource& library)
    : m_library(library), m_handle(HostRegistry::Register(this)), m_strays_before(g_stray_calls) {}

ReferenceHost::~ReferenceHost() {
    CloseGuiObject();
    CloseAudioObject();
    HostRegistry::Release(m_handle);
}

void ReferenceHost::CreateAudioObject() {
    if (m_audio.IsAttached()) throw HostError("the audio object exists already");
    void* record = MakeObserved(QV_KIND_AUDIO, &ReferenceHost::AudioCallback);
    m_audio.Attach(RecordValidator::CheckAudio(record));
}

void ReferenceHost::CreateGuiObject() {
    if (!m_audio.IsAttached()) throw HostError("the GUI object needs the audio object's pin table");
    if (m_gui.IsAttached()) throw HostError("the GUI object exists already");
    void* record = MakeObserved(QV_KIND_GUI, &ReferenceHost::GuiCallback);
    m_gui.Attach(RecordValidator::CheckGui(record), m_audio.PinTable());
    // A pin with both a GUI side and an audio side: what the GUI side takes reaches the audio
    // object at the start of the next block.
    m_gui.ListenToValues([this](int32_t pin, int32_t value, float opt) {
        const PinDescription& description = m_audio.PinTable().at(static_cast<size_t>(pin));
        if ((description.flags & IO_UI_COMMUNICATION) == 0 || !description.CreatesAudioPin()) return;
        m_audio.TakeValueFromGui(static_cast<size_t>(pin),
                                 description.datatype == DT_FLOAT ? static_cast<double>(opt)
                                                                  : static_cast<double>(value));
    });
}

void* ReferenceHost::MakeObserved(int32_t kind, HostCallback callback) {
    ObservedCall call({CallEntry::kFactory, kind, 0, 0, nullptr, 0.0f});
    void* record = m_library.MakeModule(kind, callback, m_handle);
    call.Answer(reinterpret_cast<QVWord>(record));
    return record;
}

void ReferenceHost::CreateObjects() {
    CreateAudioObject();
    CreateGuiObject();
}

QVWord ReferenceHost::CloseAudioObject() { return m_audio.IsAttached() ? m_audio.Close() : 0; }

int32_t ReferenceHost::CloseGuiObject() { return m_gui.IsAttached() ? m_gui.Close() : 0; }

void ReferenceHost::PassAudioValuesToGui() {
    for (const ValueForGui& sent : m_audio.TakeValuesForGui()) {
        if (!m_gui.IsAttached()) continue;
        m_gui.TakeValueFromAudio(static_cast<int32_t>(sent.table_index), sent.value);
    }
}

std::vector<std::string> ReferenceHost::Problems() const {
    std::vector<std::string> problems = m_audio.Problems();
    problems.insert(problems.end(), m_gui.Problems().begin(), m_gui.Problems().end());
    const uint32_t strays = g_stray_calls - m_strays_before;
    if (strays > 0) {
        problems.push_back(RuleNote(HostRuleId::kKnownRecord,
                                    std::to_string(strays) +
                                        " host calls came with a record no host holds: a module "
                                        "must pass its own record"));
    }
    return problems;
}

QVWord QV_CDECL ReferenceHost::AudioCallback(void* record, int32_t opcode, int32_t index,
                                             int32_t value, void* ptr, float opt) noexcept {
    ObservedCall call({CallEntry::kAudioHostCallback, opcode, index, value, ptr, opt});
    try {
        auto* audio = static_cast<AudioHostRecord*>(record);
        ReferenceHost* host = HostOf(audio);
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
        ReferenceHost* host = HostOf(gui);
        return call.Answer(host != nullptr ? host->m_gui.Answer(gui, opcode, index, value, ptr, opt)
                                           : 0);
    } catch (...) {
        return 0;
    }
}
