// Tallowhold: a sample-and-hold. At each edge of `Clock` chosen by `Mode` (rising, falling or
// both, crossing 0.5), `Out` takes the sample of `In` and holds it. When `Release` (in ms, set
// from the user interface and carried to the audio side) is above 0, the held value falls back to
// 0 that long after the edge, unless a newer edge came first: the release is a scheduled member
// call, and a newer edge leaves the older call stale.
#ifndef TALLOWHOLD_H
#define TALLOWHOLD_H

#include <cstdint>

#include "QVModule_base.h"

class Tallowhold : public QVModule_base {
public:
    // Positions in the pin table and audio-side indices alike: every pin here has an audio pin.
    enum Pin : int32_t { kClock = 0, kIn = 1, kMode = 2, kRelease = 3, kOut = 4 };
    enum Mode : int16_t { kRising = 0, kFalling = 1, kBoth = 2 };

    static const char kModeList[];
    static constexpr float kThreshold = 0.5f;

    Tallowhold(HostCallback host_callback, uint32_t host_handle);

    void Open() override;
    bool GetPinProperties(int32_t index, QVPinProperties* props) override;

    void QV_CDECL Process(int32_t buffer_offset, int32_t sample_frames);
    // Scheduled `Release` ms after an edge: lets the held value go, unless it is stale.
    void Release();

    // Whether the step from `before` to `now` is an edge that `mode` samples at.
    static bool IsEdge(Mode mode, float before, float now);

private:
    // Out falls back to 0 from the release clock on.
    void LetGo();

    // Pin variables: the host writes them and then reports a status change on the pin.
    int16_t m_mode_pin = kRising;
    float m_release_pin = 0.0f;

    float m_clock_before = 0.0f;
    float m_held = 0.0f;
    bool m_release_pending = false;
    uint32_t m_release_clock = 0;
};

#endif
