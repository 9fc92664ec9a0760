#include "ModuleSession.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

#include "AllocationCount.h"
#include "CallRecorder.h"
#include "EnumList.h"

namespace {

// A test signal for a sample input, by sample number from its start.
struct Signal {
    const char* name;
    int32_t status;
    float (*sample)(uint32_t n, uint32_t seed);
};

const Signal kSignals[] = {
    {"silence", PIN_STATUS_STATIC, [](uint32_t, uint32_t) { return 0.0f; }},
    {"DC +1", PIN_STATUS_STATIC, [](uint32_t, uint32_t) { return 1.0f; }},
    {"DC -1", PIN_STATUS_STATIC, [](uint32_t, uint32_t) { return -1.0f; }},
    {"a sine", PIN_STATUS_MOVING,
     [](uint32_t n, uint32_t) { return static_cast<float>(std::sin(n * 0.0627)); }},
    {"noise", PIN_STATUS_MOVING,
     [](uint32_t n, uint32_t seed) {
         const uint32_t x = (n + seed) * 2654435761u;
         return static_cast<float>(static_cast<int32_t>(x ^ (x >> 15))) / 2147483648.0f;
     }},
    {"subnormals", PIN_STATUS_STATIC,
     [](uint32_t, uint32_t) { return std::numeric_limits<float>::denorm_min(); }},
    {"an impulse", PIN_STATUS_MOVING, [](uint32_t n, uint32_t) { return n == 0 ? 1.0f : 0.0f; }},
    {"a jump", PIN_STATUS_STATIC,
     [](uint32_t n, uint32_t) { return n < ModuleSession::kBlockSize ? 0.0f : 1.0f; }},
};
constexpr int kBlocksPerSignal = 3;

}  // namespace

ModuleSession::ModuleSession(const ModuleLibrary& library)
    : m_host(library), m_heap_calls_seen(AllocationCount::Counted()) {}

void ModuleSession::Start(uint32_t clock, float rate) {
    if (!m_host.Audio().IsAttached()) m_host.CreateObjects();
    m_host.Audio().StartClockAt(clock);
    m_host.Audio().SetSampleRate(rate);
    m_host.Audio().SetBlockSize(kBlockSize);
    m_host.Audio().Open();
    m_host.Gui().Initialise();
}

void ModuleSession::ProcessBlocks(int count) {
    for (int block = 0; block < count; ++block) m_host.Audio().ProcessBlock();
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
                m_host.Gui().SetPin(static_cast<int32_t>(other), value);
                step();
            }
        }
    };
    for (size_t index = 0; index < pins.size(); ++index) {
        if (pins[index].direction != DR_IN) continue;
        for (const int32_t value : UserValues(pins[index], context)) {
            Step("pin " + std::to_string(index) + " (" + pins[index].name + ") set to " +
                 std::to_string(value) + " on the GUI side");
            m_host.Gui().SetPin(static_cast<int32_t>(index), value);
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

std::vector<int32_t> ModuleSession::SampleInputs(const AudioSideHost& audio) {
    std::vector<int32_t> inputs;
    for (int32_t pin = 0; pin < audio.AudioPinCount(); ++pin) {
        const PinDescription& description = audio.AudioPin(pin);
        if (description.direction == DR_IN && description.datatype == DT_FSAMPLE) {
            inputs.push_back(pin);
        }
    }
    return inputs;
}

void ModuleSession::PlayEverySignal(CheckContext& context) {
    AudioSideHost& audio = m_host.Audio();
    const std::vector<int32_t> inputs = SampleInputs(audio);
    const uint32_t size = static_cast<uint32_t>(audio.BlockSize());
    for (const Signal& signal : kSignals) {
        const uint32_t seed = context.NextRandom();
        Step(std::string(signal.name) + " on the sample inputs");
        for (const int32_t pin : inputs) audio.PostPinStatus(pin, signal.status);
        for (uint32_t block = 0; block < kBlocksPerSignal; ++block) {
            for (const int32_t pin : inputs) {
                float* buffer = audio.InputBuffer(pin);
                for (uint32_t n = 0; n < size; ++n) buffer[n] = signal.sample(block * size + n, seed);
            }
            audio.ProcessBlock();
        }
    }
}

void ModuleSession::Step(const std::string& what) {
    EndStep();
    std::ostringstream name;
    name << what << ", blocks of " << m_host.Audio().BlockSize() << ", "
         << m_host.Audio().SampleRate() << " Hz";
    m_step = name.str();
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
    // Another check's session may have counted from 0 again since.
    const uint64_t heap_calls = AllocationCount::Counted();
    if (heap_calls < m_heap_calls_seen) m_heap_calls_seen = 0;
    if (heap_calls > m_heap_calls_seen) {
        m_findings.push_back("at " + m_step + ": " + std::to_string(heap_calls - m_heap_calls_seen) +
                             " calls of heap functions inside process calls and event deliveries, "
                             "expected none; the latest inside: " +
                             CallRecorder::Describe(AllocationCount::LatestCall()));
    }
    m_heap_calls_seen = heap_calls;
}

void ModuleSession::Verdict(CheckContext& context) {
    EndStep();
    for (const std::string& finding : m_findings) context.Fail(finding);
    const std::vector<std::string>& warnings = m_host.Audio().Warnings();
    if (!warnings.empty()) {
        context.Warn(warnings.front() + (warnings.size() > 1
                                             ? " (and " + std::to_string(warnings.size() - 1) +
                                                   " more)"
                                             : ""));
    }
}
