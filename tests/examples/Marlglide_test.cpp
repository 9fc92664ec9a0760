// Marlglide's object driven directly by the recording host: the glide lengths by which it
// schedules its arrival, and a host that holds no `In` pin.
#include "Marlglide.h"

#include <gtest/gtest.h>

#include <vector>

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

// No `In` at all: the inputs sum to nothing, and the output is still written, held at 0.
TEST(Marlglide, WritesItsOutputWithOnlyItsThreeFixedPins) {
    RecordingHost host;
    host.pin_count = Marlglide::kIn;
    std::vector<float> out(8, 5.0f);
    host.pin_buffers[Marlglide::kOut] = out.data();
    Marlglide module(&RecordingHost::Callback, 0);
    module.Open();
    module.HostRecord()->process(&module, 0, 8);
    EXPECT_EQ(out, std::vector<float>(8, 0.0f));
}

}  // namespace
