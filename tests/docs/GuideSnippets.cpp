// The guide's code that is not the template's, compiled as the guide shows it: a test finds every
// paragraph of the guide's code here or in the template, so the guide cannot drift from the SDK.
#include <string>

#include "QVGUI_base.h"
#include "QVModule_base.h"
#include "QVPin.h"
#include "it_enum_list.h"

namespace {

void use(int32_t, const std::wstring&) {}

class Module : public QVModule_base {
public:
    Module() : QVModule_base(nullptr, 0) {}
    void Open() override;
    void QV_CDECL ProcessIdle(int32_t buffer_offset, int32_t sample_frames);
};

void Module::Open() {
    SetProcessFunction(&Module::ProcessIdle);
    QVModule_base::Open();  // builds the audio-side pins from GetPinProperties
}

void QV_CDECL Module::ProcessIdle(int32_t, int32_t) {}

class Gain : public QVModule_base {
public:
    enum : int32_t { kIn = 0, kOut = 1, kGain = 2 };
    Gain() : QVModule_base(nullptr, 0) {}
    void QV_CDECL Process(int32_t buffer_offset, int32_t sample_frames);
};

void QV_CDECL Gain::Process(int32_t buffer_offset, int32_t sample_frames) {
    const float* in = GetPin(kIn)->InputSamples(buffer_offset);
    float* out = GetPin(kOut)->OutputSamples(buffer_offset);
    const float gain = GetPin(kGain)->GetFloat();
    for (int32_t i = 0; i < sample_frames; ++i) out[i] = in[i] * gain;
}

class Labeller : public QVGUI_base {
public:
    enum : int32_t { kLabel = 0 };
    Labeller() : QVGUI_base(nullptr, 0) {}
    void ShowLabel(int32_t said);

private:
    std::string m_label;
};

void Labeller::ShowLabel(int32_t said) {
    m_label = "say " + std::to_string(said);
    Pin(kLabel).SetValuePtr(m_label.data());
}

class Sequencer : public QVModule_base {
public:
    enum : int32_t { kStep = 0 };
    Sequencer() : QVModule_base(nullptr, 0) {}
    bool GetPinProperties(int32_t index, QVPinProperties* props) override;
    void Advance();

private:
    int32_t m_step = 0;
};

bool Sequencer::GetPinProperties(int32_t index, QVPinProperties* props) {
    if (index != kStep) return false;
    props->name = "Step";
    props->direction = DR_OUT;
    props->datatype = DT_INT;
    props->flags = IO_UI_COMMUNICATION | IO_UI_AND_AUDIO;
    return true;
}

void Sequencer::Advance() {
    m_step = (m_step + 1) % 16;
    GetPin(kStep)->SendValue(SampleClock(), m_step);
}

class StepLight : public QVGUI_base {
public:
    enum : int32_t { kStep = 0 };
    StepLight() : QVGUI_base(nullptr, 0) {}
    void OnPinChanged(QVGuiPin& pin) override;

private:
    int32_t m_lit = -1;
};

void StepLight::OnPinChanged(QVGuiPin& pin) {
    if (pin.m_index == kStep) m_lit = pin.GetInt();
}

void WalkModes() {
    it_enum_list modes(L"Normal,Differ,Sum");
    for (modes.First(); !modes.IsDone(); modes.Next()) use(modes.CurrentItem().value, modes.CurrentItem().text);
}

}  // namespace

// Keeps the snippets' functions referenced, so that each is compiled and none is dropped unseen.
void GuideSnippetsCompiled() {
    Module module;
    module.Open();
    Gain gain;
    (void)&Gain::Process;
    (void)&Labeller::ShowLabel;
    (void)&Sequencer::Advance;
    (void)&StepLight::OnPinChanged;
    WalkModes();
}
