#include "Tallowhold.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "QVPin.h"

const char Tallowhold::kModeList[] = "Rising,Falling,Both";

namespace {
// Releases further off than this many samples are cut short: the host schedules events at most
// 2^31 - 1 samples ahead.
constexpr double kLongestRelease = 1 << 30;
}  // namespace

Tallowhold::Tallowhold(HostCallback host_callback, uint32_t host_handle)
    : QVModule_base(host_callback, host_handle) {}

void Tallowhold::Open() {
    SetProcessFunction(&Tallowhold::Process);
    QVModule_base::Open();
}

bool Tallowhold::GetPinProperties(int32_t index, QVPinProperties* props) {
    switch (index) {
    case kClock:
        props->name = "Clock";
        props->direction = DR_IN;
        props->datatype = DT_FSAMPLE;
        return true;
    case kIn:
        props->name = "In";
        props->direction = DR_IN;
        props->datatype = DT_FSAMPLE;
        return true;
    case kMode:
        props->name = "Mode";
        props->direction = DR_IN;
        props->datatype = DT_ENUM;
        props->datatype_extra = kModeList;
        props->variable_address = &m_mode_pin;
        return true;
    case kRelease:
        // Set from the user interface; the host carries it to the audio side as well.
        props->name = "Release";
        props->direction = DR_IN;
        props->datatype = DT_FLOAT;
        props->flags = IO_UI_COMMUNICATION | IO_UI_AND_AUDIO;
        props->variable_address = &m_release_pin;
        return true;
    case kOut:
        props->name = "Out";
        props->direction = DR_OUT;
        props->datatype = DT_FSAMPLE;
        return true;
    default:
        return false;
    }
}

bool Tallowhold::IsEdge(Mode mode, float before, float now) {
    const bool rising = before <= kThreshold && now > kThreshold;
    const bool falling = before > kThreshold && now <= kThreshold;
    return mode == kRising ? rising : mode == kFalling ? falling : rising || falling;
}

void QV_CDECL Tallowhold::Process(int32_t buffer_offset, int32_t sample_frames) {
    const float* clock = GetPin(kClock)->InputSamples(buffer_offset);
    const float* in = GetPin(kIn)->InputSamples(buffer_offset);
    float* out = GetPin(kOut)->OutputSamples(buffer_offset);
    if (clock == nullptr || in == nullptr || out == nullptr) return;
    const Mode mode = static_cast<Mode>(GetPin(kMode)->GetEnum());
    const float release_ms = GetPin(kRelease)->GetFloat();
    const uint32_t first_clock = SampleClock();
    for (int32_t i = 0; i < sample_frames; ++i) {
        // A release due inside this call's frames: its queued call arrives only after the call.
        if (m_release_pending && first_clock + static_cast<uint32_t>(i) == m_release_clock) {
            LetGo();
        }
        if (IsEdge(mode, m_clock_before, clock[i])) {
            // A subnormal sample is held as silence: some processors pay dearly for subnormals.
            m_held = std::fabs(in[i]) < FLT_MIN ? 0.0f : in[i];
            GetPin(kOut)->SendStatusChange(first_clock + i, PIN_STATUS_CHANGED);
            if (release_ms > 0.0f) {
                // A newer edge makes any release already queued stale: only this clock counts.
                const double samples = std::min(
                    static_cast<double>(release_ms) * GetSampleRate() / 1000.0, kLongestRelease);
                // At least the next sample: a release due at this very sample would be queued
                // inside this call, and arrive only after it had held the rest of its frames.
                m_release_clock = first_clock + static_cast<uint32_t>(i) +
                                  std::max<uint32_t>(1, static_cast<uint32_t>(std::lround(samples)));
                m_release_pending = true;
                QueueMemberCall(m_release_clock, static_cast<MemberCall>(&Tallowhold::Release));
            } else {
                m_release_pending = false;
            }
        }
        m_clock_before = clock[i];
        out[i] = m_held;
    }
}

void Tallowhold::Release() {
    if (!m_release_pending || SampleClock() != m_release_clock) return;
    LetGo();
}

void Tallowhold::LetGo() {
    m_release_pending = false;
    m_held = 0.0f;
    GetPin(kOut)->SendStatusChange(m_release_clock, PIN_STATUS_CHANGED);
}
