#include "Marlglide.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

#include "QVPin.h"
#include "it_enum_list.h"

namespace {

// Glides longer than this many samples are cut short: the host schedules events at most 2^31 - 1
// samples ahead.
constexpr double kLongestGlide = 1 << 30;

// The input buffers, copied out of the object so that the loops keep them in registers.
struct Inputs {
    const float* const* buffers;
    size_t count;
};

// Subnormal samples cost some processors dearly and a host may warn of them: below the smallest
// normal float a sum is silence.
inline float FlushSubnormal(float sample) { return std::fabs(sample) < FLT_MIN ? 0.0f : sample; }

inline float SumAt(const Inputs& inputs, int32_t i) {
    float sum = 0.0f;
    for (size_t k = 0; k < inputs.count; ++k) sum += inputs.buffers[k][i];
    return FlushSubnormal(sum);
}

}  // namespace

const char Marlglide::kShapeList[] = "Linear,Smooth";

Marlglide::Marlglide(HostCallback host_callback, uint32_t host_handle)
    : QVModule_base(host_callback, host_handle) {
    ReadParameters();
}

void Marlglide::Open() {
    SetProcessFunction(&Marlglide::ProcessHold);
    QVModule_base::Open();
    const int32_t count = static_cast<int32_t>(CallHost(HOST_OP_PIN_COUNT, 0, 0, nullptr, 0.0f));
    if (count < kIn) {
        // Without its output and parameter pins the object has nothing to do.
        SetProcessFunction(&QVModule_base::EmptyProcess);
        return;
    }
    // The buffers' addresses hold for the object's life; a call's offset is applied per call.
    m_output = GetPin(kOut)->OutputSamples(0);
    m_inputs.clear();
    for (int32_t pin = kIn; pin < count; ++pin) m_inputs.push_back(GetPin(pin)->InputSamples(0));
}

bool Marlglide::GetPinProperties(int32_t index, QVPinProperties* props) {
    switch (index) {
    case kOut:
        props->name = "Out";
        props->direction = DR_OUT;
        props->datatype = DT_FSAMPLE;
        return true;
    case kShape:
        props->name = "Shape";
        props->direction = DR_IN;
        props->datatype = DT_ENUM;
        props->datatype_extra = kShapeList;
        props->variable_address = &m_shape_pin;
        return true;
    case kTime:
        props->name = "Time";
        props->direction = DR_IN;
        props->datatype = DT_FLOAT;
        props->variable_address = &m_time_pin;
        return true;
    case kIn:
        // The host may hold any number of further inputs; each is summed with the others.
        props->name = "In";
        props->direction = DR_IN;
        props->datatype = DT_FSAMPLE;
        props->flags = IO_REPEAT_LAST;
        return true;
    default:
        return false;
    }
}

void Marlglide::OnPinStatusChange(QVPin* pin) {
    if (m_output == nullptr) return;
    if (pin->GetIndex() == kShape || pin->GetIndex() == kTime) ReadParameters();
    Replan();
}

void Marlglide::SetSampleRate(float rate) {
    QVModule_base::SetSampleRate(rate);
    ReadParameters();
    if (m_output_moving) Replan();
}

void Marlglide::ReadParameters() {
    static const std::wstring shapes(std::begin(kShapeList), std::end(kShapeList) - 1);
    // A value the list does not hold falls back to the first shape.
    m_shape = static_cast<Shape>(it_enum_list::ValueOrFirst(shapes, m_shape_pin));
    const double samples =
        std::max(1.0, static_cast<double>(m_time_pin) * GetSampleRate() / 1000.0);
    m_step = static_cast<float>(1.0 / samples);
    m_coefficient = static_cast<float>(-std::expm1(-1.0 / samples));
}

uint32_t Marlglide::SamplesToArrive(float from, float to) const {
    const double distance = std::fabs(static_cast<double>(to) - from);
    // No distance, or an input that is not a number: nothing to glide to.
    if (!(distance > 0.0)) return 0;
    double samples = 1.0;
    if (m_shape == kLinear) {
        samples = std::ceil(distance / m_step);
    } else if (distance > kSmoothSettle) {
        samples = std::ceil(std::log(kSmoothSettle / distance) / std::log1p(-m_coefficient));
    }
    return static_cast<uint32_t>(std::clamp(samples, 1.0, kLongestGlide));
}

// Called at a status change, before the samples from the current clock on are processed, so
// m_out is the last sample written.
void Marlglide::Replan() {
    if (InputsMoving()) {
        m_arrival_pending = false;
        SetOutputMoving(true);
        return;
    }
    m_target = SumOfInputs();
    const uint32_t samples = SamplesToArrive(m_out, m_target);
    if (samples == 0) {
        m_arrival_pending = false;
        SetOutputMoving(false);
        return;
    }
    SetOutputMoving(true);
    // The glide writes `samples` samples from now; the output holds from the one after.
    m_arrival_clock = SampleClock() + samples;
    m_arrival_pending = true;
    QueueMemberCall(m_arrival_clock, static_cast<MemberCall>(&Marlglide::Arrive));
}

void Marlglide::Arrive() {
    // A later plan has replaced the one that scheduled this call.
    if (!m_arrival_pending || SampleClock() != m_arrival_clock) return;
    m_arrival_pending = false;
    m_out = m_target;
    SetOutputMoving(false);
}

bool Marlglide::InputsMoving() {
    for (size_t k = 0; k < m_inputs.size(); ++k) {
        if (GetPin(kIn + static_cast<int32_t>(k))->GetStatus() == PIN_STATUS_MOVING) return true;
    }
    return false;
}

float Marlglide::SumOfInputs() {
    float sum = 0.0f;
    for (size_t k = 0; k < m_inputs.size(); ++k) {
        sum += GetPin(kIn + static_cast<int32_t>(k))->GetSample();
    }
    return FlushSubnormal(sum);
}

void Marlglide::SetOutputMoving(bool moving) {
    SetProcessFunction(moving ? MovingFunction()
                              : static_cast<ProcessFunction>(&Marlglide::ProcessHold));
    if (moving == m_output_moving) return;
    m_output_moving = moving;
    GetPin(kOut)->SendStatusChange(SampleClock(), moving ? PIN_STATUS_MOVING : PIN_STATUS_STATIC);
}

Marlglide::ProcessFunction Marlglide::MovingFunction() const {
    return m_shape == kLinear ? static_cast<ProcessFunction>(&Marlglide::ProcessLinear)
                              : static_cast<ProcessFunction>(&Marlglide::ProcessSmooth);
}

void QV_CDECL Marlglide::ProcessLinear(int32_t buffer_offset, int32_t sample_frames) {
    const float step = m_step;
    const Inputs inputs{m_inputs.data(), m_inputs.size()};
    float* const out = m_output;
    float value = m_out;
    for (int32_t i = buffer_offset; i < buffer_offset + sample_frames; ++i) {
        const float target = SumAt(inputs, i);
        const float distance = target - value;
        // A step that ends just short of zero would leave a subnormal output: it is silence.
        value = FlushSubnormal(distance > step ? value + step
                                               : (distance < -step ? value - step : target));
        out[i] = value;
    }
    m_out = value;
}

void QV_CDECL Marlglide::ProcessSmooth(int32_t buffer_offset, int32_t sample_frames) {
    const float coefficient = m_coefficient;
    const Inputs inputs{m_inputs.data(), m_inputs.size()};
    float* const out = m_output;
    float value = m_out;
    for (int32_t i = buffer_offset; i < buffer_offset + sample_frames; ++i) {
        const float target = SumAt(inputs, i);
        value = FlushSubnormal(value + (target - value) * coefficient);
        out[i] = value;
    }
    m_out = value;
}

void QV_CDECL Marlglide::ProcessHold(int32_t buffer_offset, int32_t sample_frames) {
    std::fill(m_output + buffer_offset, m_output + buffer_offset + sample_frames, m_out);
}
