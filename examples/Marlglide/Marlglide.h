// Marlglide: a slew limiter over a mix of inputs. Every `In` pin (the host may repeat it) is
// summed, and `Out` follows the sum at a limited speed, on a straight line or a smooth curve
// chosen by `Shape`; `Time` is how long a full-scale step of 1.0 takes.
//
// The object does per-sample work only while the output moves. When every input is static it
// reads the new target once, works out the sample at which the glide arrives and schedules a
// member call there; that call settles the output, tells the host the output went static and
// installs the hold function, which only fills the output buffer. A status change on any pin
// starts it moving again.
#ifndef MARLGLIDE_H
#define MARLGLIDE_H

#include <cstdint>
#include <vector>

#include "QVModule_base.h"

class Marlglide : public QVModule_base {
public:
    // Positions in the pin table, which are also the audio-side pin indices: every pin here
    // creates an audio pin. Pins from kIn onwards are the inputs.
    enum Pin : int32_t { kOut = 0, kShape = 1, kTime = 2, kIn = 3 };
    enum Shape : int16_t { kLinear = 0, kSmooth = 1 };

    static const char kShapeList[];
    // Within this of its target a smooth glide counts as arrived.
    static constexpr float kSmoothSettle = 1e-4f;
    static constexpr float kDefaultTimeMs = 10.0f;

    Marlglide(HostCallback host_callback, uint32_t host_handle);

    void Open() override;
    bool GetPinProperties(int32_t index, QVPinProperties* props) override;
    void OnPinStatusChange(QVPin* pin) override;
    void SetSampleRate(float rate) override;

    // The three process functions: output moving on a line, on a curve, or held.
    void QV_CDECL ProcessLinear(int32_t buffer_offset, int32_t sample_frames);
    void QV_CDECL ProcessSmooth(int32_t buffer_offset, int32_t sample_frames);
    void QV_CDECL ProcessHold(int32_t buffer_offset, int32_t sample_frames);
    // Scheduled at the sample where a glide towards a static target arrives.
    void Arrive();

    // How many samples a glide from `from` to `to` takes, at least 1 when they differ.
    uint32_t SamplesToArrive(float from, float to) const;

private:
    void ReadParameters();
    void Replan();
    bool InputsMoving();
    float SumOfInputs();
    void SetOutputMoving(bool moving);
    ProcessFunction MovingFunction() const;

    // Pin variables: the host writes them and then reports a status change on the pin.
    int16_t m_shape_pin = kLinear;
    float m_time_pin = kDefaultTimeMs;

    Shape m_shape = kLinear;
    float m_step = 0.0f;         // linear: the most the output moves in one sample
    float m_coefficient = 0.0f;  // smooth: the share of the distance covered in one sample
    float m_out = 0.0f;
    float m_target = 0.0f;
    bool m_output_moving = false;
    uint32_t m_arrival_clock = 0;
    bool m_arrival_pending = false;
    float* m_output = nullptr;
    std::vector<const float*> m_inputs;
};

#endif
