#include "QVTestHost.h"

#include "HostError.h"
#include "PinSetting.h"

namespace {
// A makeModule linked into the program.
class LinkedModule : public ModuleSource {
public:
    explicit LinkedModule(MakeModuleFn make_module) : m_make_module(make_module) {}
    void* MakeModule(int32_t kind, HostCallback callback, uint32_t host_handle) const override {
        return m_make_module(0, kind, callback, host_handle);
    }

private:
    MakeModuleFn m_make_module;
};
}  // namespace

QVTestHost::QVTestHost(MakeModuleFn make_module, Notices notices)
    : m_source(std::make_unique<LinkedModule>(make_module)),
      m_host(std::make_unique<ReferenceHost>(*m_source)) {
    m_host->CreateObjects();
    m_host->Gui().ReportEveryWrite(notices == Notices::kOnEveryWrite);
}

QVTestHost::~QVTestHost() = default;

void QVTestHost::Start(float rate, int32_t block) {
    m_host->Audio().SetSampleRate(rate);
    m_host->Audio().SetBlockSize(block);
    m_host->Audio().Open();
    m_host->Gui().Initialise();
    AudioSideHost& audio = m_host->Audio();
    for (const int32_t pin : audio.SamplePins(DR_IN)) audio.PostPinStatus(pin, PIN_STATUS_MOVING);
    m_started = true;
}

void QVTestHost::SetInputStatus(const std::string& pin, int32_t status) {
    if (!m_started) throw HostError("SetInputStatus for " + pin + " before Start");
    const auto input = PinSetting::FindSampleInput(m_host->Audio(), pin);
    if (!input) throw HostError("SetInputStatus: " + pin + " is not a sample input of the module");
    m_host->Audio().PostPinStatus(*input, status);
}

void QVTestHost::Set(const std::string& setting, uint32_t after) {
    PinSetting::Apply(*m_host, setting, after);
}

int32_t QVTestHost::AudioPin(const std::string& name) const {
    const auto pin = PinSetting::FindAudioPin(m_host->Audio(), name);
    if (!pin) throw HostError("the module has no audio-side pin " + name);
    return *pin;
}

int32_t QVTestHost::TablePin(const std::string& name) const {
    const std::vector<PinDescription>& table = m_host->Audio().PinTable();
    for (size_t index = 0; index < table.size(); ++index) {
        if (table[index].name == name) return static_cast<int32_t>(index);
    }
    throw HostError("the module has no pin " + name);
}

float* QVTestHost::Input(const std::string& pin) {
    return m_host->Audio().InputBuffer(AudioPin(pin));
}

const float* QVTestHost::Output(const std::string& pin) {
    return m_host->Audio().PinBuffer(AudioPin(pin));
}

void QVTestHost::Process(int blocks) {
    for (int block = 0; block < blocks; ++block) {
        m_host->Audio().ProcessBlock();
        m_host->PassAudioValuesToGui();
    }
}

void QVTestHost::SetBlockSize(int32_t block) { m_host->Audio().SetBlockSize(block); }

const std::vector<PinWrite>& QVTestHost::GuiWrites() const { return m_host->Gui().Writes(); }

int32_t QVTestHost::GuiInt(const std::string& pin) const {
    return m_host->Gui().Pins().IntValue(TablePin(pin));
}

float QVTestHost::GuiFloat(const std::string& pin) const {
    return m_host->Gui().Pins().FloatValue(TablePin(pin));
}

const std::vector<AudioPinMessage>& QVTestHost::AudioMessages() const {
    return m_host->Audio().PinMessages();
}

std::vector<std::string> QVTestHost::Problems() const { return m_host->Problems(); }

ReferenceHost& QVTestHost::Host() { return *m_host; }
