// Marlglide's object driven directly by the recording host: the glide lengths by which it
// schedules its arrival.
#include "Marlglide.h"

#include <gtest/gtest.h>

#include "RecordingHost.h"

namespace {

struct Glide {
    int16_t shape;
    float from;
    float to;
    uint32_t samples;
};

// Time 10 ms at 48 kHz: 480 samples per unit on the line; the curve keeps exp(-1/480) of the
// distance per sample, so it needs 480 * ln(distance / 1e-4) samples.
const Glide kGlides[] = {
    {Marlglide::kLinear, 0.0f, 0.0f, 0},        {Marlglide::kLinear, 0.0f, 1.0f, 480},
    {Marlglide::kLinear, 0.5f, -0.5f, 480},     {Marlglide::kLinear, 0.0f, 0.001f, 1},
    {Marlglide::kSmooth, 0.0f, 1.0f, 4421},     {Marlglide::kSmooth, 0.0f, 0.00005f, 1},
    {Marlglide::kLinear, 0.0f, 1e9f, 1u << 30}, {7, 0.0f, 1.0f, 480},
};

TEST(Marlglide, GlideLengthFollowsShapeAndDistance) {
    for (const Glide& glide : kGlides) {
        RecordingHost host;
        Marlglide module(&RecordingHost::Callback, 0);
        QVPinProperties props{};
        module.GetPinPropertiesClean(Marlglide::kShape, &props);
        *static_cast<int16_t*>(props.variable_address) = glide.shape;
        module.SetSampleRate(48000.0f);
        EXPECT_EQ(module.SamplesToArrive(glide.from, glide.to), glide.samples)
            << "shape " << glide.shape << " from " << glide.from << " to " << glide.to;
    }
}

}  // namespace
