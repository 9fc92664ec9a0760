#include "ModuleSession.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>

#include "AllocationCount.h"
#include "CheckProgress.h"
#include "EnumList.h"
#include "FailingSession.h"
#include "HeapCallWatch.h"
#include "PinSetting.h"
#include "PlayScript.h"
#include "SessionJournal.h"

namespace {

// A test signal for a sample input (SignalGenerator), as a host announces it; noise takes the
// seed after its colon.
struct Signal {
    const char* name;
    const char* definition;
    int32_t status;
};

const Signal kSignals[] = {
    {"silence", "dc:0", PIN_STATUS_STATIC},
    {"DC +1", "dc:1", PIN_STATUS_STATIC},
    {"DC -1", "dc:-1", PIN_STATUS_STATIC},
    {"a sine", "sine:440", PIN_STATUS_MOVING},
    {"noise", "noise:", PIN_STATUS_MOVING},
    {"subnormals", "dc:1e-45", PIN_STATUS_STATIC},
    {"an impulse", "impulse", PIN_STATUS_MOVING},
    {"a jump", "dc:0", PIN_STATUS_STATIC},  // to dc:1 inside the second block
};
constexpr int kBlocksPerSignal = 3;

}  // namespace

ModuleSession::ModuleSession(const ModuleLibrary& library)
    : m_heap_watch(library), m_host(library), m_heap_calls_seen(AllocationCount::Counted()) {}

void ModuleSession::Start(uint32_t clock, float rate, int32_t block) {
    if (!m_host.Audio().IsAttached()) m_host.CreateObjects();
    m_host.Audio().StartClockAt(clock);
    m_host.Audio().SetSampleRate(rate);
    m_host.Audio().SetBlockSize(block);
    m_play.clock = clock;
    m_play.rate = rate;
    m_play.block = block;
    if (m_scripted) SessionJournal::Claim(this, PlayScript::Format(m_play));
    // A host restoring a patch may tell the GUI object of each stored pin before initialising it.
    for (const int32_t index : m_stored_gui_pins) {
        m_host.Gui().Dispatch(GUI_OP_PIN_CHANGED, index, 0, nullptr, 0.0f);
    }
    m_host.Audio().Open();
    m_gui_writes_before_initialise = m_host.Gui().Writes().size();
    m_host.Gui().Initialise();
    m_start = m_host.Audio().SampleClock();
    m_started = true;
}

ModuleSession::~ModuleSession() {
    CheckProgress::SessionStep("");
    SessionJournal::Release(this);
}

void ModuleSession::Unscripted() {
    m_scripted = false;
    SessionJournal::Release(this);
}

uint32_t ModuleSession::Position() const {
    return m_started ? m_host.Audio().SampleClock() - m_start : 0;
}

bool ModuleSession::Keeping() const { return m_scripted && SessionJournal::IsOpen(); }

void ModuleSession::Keep(uint32_t sample, PlayAction::Kind kind, const std::string& pin,
                         const std::string& value, std::optional<int32_t> status) {
    if (!m_started) return Unscripted();
    static const auto kGivenIn = std::make_shared<const std::string>("the session's play");
    m_play.timeline.push_back({sample, kind, pin, value, status, kGivenIn, 0});
    SessionJournal::Write(
        this, "at " + std::to_string(sample) + " " + PlayScript::Describe(m_play.timeline.back()));
}

void ModuleSession::ProcessBlocks(int count) {
    for (int block = 0; block < count; ++block) ProcessFrames(m_host.Audio().BlockSize());
}

void ModuleSession::ProcessFrames(int32_t frames) {
    AudioSideHost& audio = m_host.Audio();
    m_feed.Fill(audio, Position(), static_cast<uint32_t>(frames), audio.SampleRate());
    if (Keeping()) SessionJournal::Write(this, "samples " + std::to_string(Position() + frames));
    audio.ProcessFrames(frames);
}

void ModuleSession::SetBlockSize(int32_t size) {
    m_host.Audio().SetBlockSize(size);
    if (m_started && Keeping())
        Keep(Position(), PlayAction::Kind::kBlock, "", std::to_string(size));
}

void ModuleSession::SetSampleRate(float rate) {
    m_host.Audio().SetSampleRate(rate);
    if (m_started && Keeping())
        Keep(Position(), PlayAction::Kind::kRate, "", PlayScript::Number(rate));
}

void ModuleSession::SetGuiValue(int32_t table_index, double value) {
    const AudioSideHost& audio = m_host.Audio();
    const PinDescription& pin = audio.PinTable().at(static_cast<size_t>(table_index));
    if (pin.datatype == DT_FLOAT) {
        m_host.Gui().SetPinFloat(table_index, static_cast<float>(value));
        value = static_cast<float>(value);
    } else {
        m_host.Gui().SetPin(table_index, static_cast<int32_t>(value));
    }
    if (!Keeping()) return;
    // A play names pins: a name two pins share cannot say which.
    if (PinSetting::FindTablePin(audio, pin.name, false) != table_index) return Unscripted();
    Keep(Position(), PlayAction::Kind::kGui, pin.name, PlayScript::Number(value));
}

void ModuleSession::SetUserValue(size_t table_index, int32_t value) {
    const PinDescription& pin = m_host.Audio().PinTable().at(table_index);
    if ((pin.flags & IO_UI_COMMUNICATION) != 0) {
        return SetGuiValue(static_cast<int32_t>(table_index), value);
    }
    // The GUI object has no such pin.
    const std::optional<int32_t> audio_pin = m_host.Audio().AudioPinOf(table_index);
    if (audio_pin && pin.variable_address != nullptr) {
        SetVariable(*audio_pin, value, PIN_STATUS_CHANGED, 0);
    }
}

void ModuleSession::SetVariable(int32_t audio_pin, double value, int32_t status, uint32_t offset) {
    AudioSideHost& audio = m_host.Audio();
    audio.WritePinVariable(audio_pin, value);
    audio.PostPinStatus(audio_pin, status, offset);
    if (!Keeping()) return;
    Keep(Position() + offset, PlayAction::Kind::kVariable,
         PinSetting::AudioPinName(audio, audio_pin), PlayScript::Number(value), status);
}

void ModuleSession::FeedSignal(int32_t audio_pin, const std::string& definition, int32_t status,
                               uint32_t offset) {
    AudioSideHost& audio = m_host.Audio();
    m_feed.Feed(audio_pin, definition, Position() + offset);
    audio.PostPinStatus(audio_pin, status, offset);
    if (!Keeping()) return;
    Keep(Position() + offset, PlayAction::Kind::kInput, PinSetting::AudioPinName(audio, audio_pin),
         definition, status);
}

void ModuleSession::Store(size_t table_index, int32_t audio_pin, bool gui, double value) {
    const std::string& name = m_host.Audio().PinTable().at(table_index).name;
    if (audio_pin >= 0) m_host.Audio().WritePinVariable(audio_pin, value);
    if (gui) {
        m_host.Gui().LoadStoredValue(static_cast<int32_t>(table_index), value);
        m_stored_gui_pins.push_back(static_cast<int32_t>(table_index));
    }
    if (Keeping()) m_play.stored.push_back(name + "=" + PlayScript::Number(value));
}

std::vector<int32_t> ModuleSession::UserValues(const PinDescription& pin, CheckContext& context) {
    switch (pin.datatype) {
    case DT_BOOL:
        return {1, 0};
    case DT_ENUM:
        return EnumList(pin.datatype_extra).Values();
    case DT_INT:
        return context.EdgeValues();
    case DT_FLOAT:
        return {0, 1, -1, 1000000};
    default:
        return {};
    }
}

void ModuleSession::ChangeEveryInput(CheckContext& context,
                                     const std::function<void()>& after_each) {
    const std::vector<PinDescription>& pins = m_host.Audio().PinTable();
    auto step = [&] {
        ProcessBlocks(1);
        if (after_each) after_each();
    };
    auto toggle_booleans = [&](size_t except) {
        for (size_t other = 0; other < pins.size(); ++other) {
            if (other == except || pins[other].direction != DR_IN ||
                pins[other].datatype != DT_BOOL) {
                continue;
            }
            for (const int32_t value : {1, 0}) {
                SetUserValue(other, value);
                step();
            }
        }
    };
    for (size_t index = 0; index < pins.size(); ++index) {
        if (pins[index].direction != DR_IN) continue;
        for (const int32_t value : UserValues(pins[index], context)) {
            Step("pin " + std::to_string(index) + " (" + pins[index].name + ") set to " +
                 std::to_string(value) +
                 ((pins[index].flags & IO_UI_COMMUNICATION) != 0 ? " on the GUI side"
                                                                 : " in its variable"));
            SetUserValue(index, value);
            step();
            if (pins[index].datatype != DT_BOOL) toggle_booleans(index);
        }
    }
}

void ModuleSession::RunTypical(CheckContext& context, const std::function<void()>& after_each) {
    Start();
    ProcessBlocks(4);
    if (after_each) after_each();
    ChangeEveryInput(context, after_each);
    ProcessBlocks(4);
    if (after_each) after_each();
}

void ModuleSession::PlayEverySignal(CheckContext& context) {
    const std::vector<int32_t> inputs = m_host.Audio().SamplePins(DR_IN);
    for (const Signal& signal : kSignals) {
        std::string definition = signal.definition;
        if (definition == "noise:") definition += std::to_string(context.NextRandom());
        Step(std::string(signal.name) + " on the sample inputs");
        for (const int32_t pin : inputs) FeedSignal(pin, definition, signal.status);
        for (uint32_t block = 0; block < kBlocksPerSignal; ++block) {
            // The jump comes inside the block: the host splits it there, and the module works
            // the second part from an offset into its buffers.
            if (block == 1 && std::string(signal.name) == "a jump") {
                const auto block_size = static_cast<uint32_t>(m_host.Audio().BlockSize());
                const uint32_t offset =
                    block_size > 1 ? 1 + context.NextRandom() % (block_size - 1) : 0;
                for (const int32_t pin : inputs) FeedSignal(pin, "dc:1", signal.status, offset);
            }
            ProcessBlocks(1);
        }
    }
}

void ModuleSession::Step(const std::string& what) {
    EndStep();
    std::ostringstream name;
    name << what << ", blocks of " << m_host.Audio().BlockSize() << ", "
         << m_host.Audio().SampleRate() << " Hz";
    m_step = name.str();
    CheckProgress::SessionStep(m_step);
}

void ModuleSession::EndStep() {
    const std::vector<std::string> problems = m_host.Problems();
    for (size_t k = m_problems_seen; k < problems.size(); ++k) {
        const std::string finding = "at " + m_step + ": " + problems[k];
        if (std::find(m_findings.begin(), m_findings.end(), finding) == m_findings.end()) {
            m_findings.push_back(finding);
        }
    }
    m_problems_seen = problems.size();
    const std::vector<std::string>& warnings = m_host.Audio().Warnings();
    if (m_first_warning.empty() && !warnings.empty()) {
        m_first_warning = "at " + m_step + ": " + warnings.front();
    }
    // Another check's session may have counted from 0 again since.
    const uint64_t heap_calls = AllocationCount::Counted();
    if (heap_calls < m_heap_calls_seen) m_heap_calls_seen = 0;
    if (heap_calls > m_heap_calls_seen) {
        m_findings.push_back("at " + m_step + ": " +
                             HeapCallWatch::Finding(heap_calls - m_heap_calls_seen));
    }
    m_heap_calls_seen = heap_calls;
}

std::optional<PlayOptions> ModuleSession::Played() const {
    if (!Keeping()) return std::nullopt;
    PlayOptions played = m_play;
    std::stable_sort(played.timeline.begin(), played.timeline.end(),
                     [](const PlayAction& a, const PlayAction& b) { return a.sample < b.sample; });
    played.samples = std::max<uint32_t>(Position(), 1);
    for (const PlayAction& action : played.timeline) {
        played.samples = std::max(played.samples, action.sample + 1);
    }
    return played;
}

void ModuleSession::Verdict(CheckContext& context) {
    EndStep();
    for (const std::string& finding : m_findings) context.Fail(finding);
    if (!m_findings.empty() && !context.FailureFolder().empty() && !context.KeptFailure()) {
        if (const std::optional<PlayOptions> played = Played()) {
            context.KeepFailure(
                FailingSession::Keep(*played, m_findings.front(), FailingSession::Where(context)));
        }
    }
    const std::vector<std::string>& warnings = m_host.Audio().Warnings();
    if (!warnings.empty()) {
        context.Warn(
            m_first_warning +
            (warnings.size() > 1 ? " (and " + std::to_string(warnings.size() - 1) + " more)" : ""));
    }
}
