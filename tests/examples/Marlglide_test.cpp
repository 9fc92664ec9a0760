// Marlglide's object driven directly by the recording host: its pin table as the host reads it,
// and the glide lengths its arrival is scheduled by.
#include "Marlglide.h"

#include <gtest/gtest.h>

#include "RecordingHost.h"

namespace {

TEST(Marlglide, InputsRepeatAndParametersLiveInTheObject) {
    RecordingHost host;
    Marlglide module(&RecordingHost::Callback, 0);
    QVPinProperties props{};
    ASSERT_TRUE(module.GetPinPropertiesClean(Marlglide::kShape, &props));
    EXPECT_STREQ(props.datatype_extra, "Linear,Smooth");
    EXPECT_NE(props.variable_address, nullptr) << "the host sets Shape in the object";
    ASSERT_TRUE(module.GetPinPropertiesClean(Marlglide::kIn, &props));
    EXPECT_EQ(props.datatype, DT_FSAMPLE);
    EXPECT_EQ(props.flags, IO_REPEAT_LAST) << "In must stay the last description";
    EXPECT_FALSE(module.GetPinPropertiesClean(Marlglide::kIn + 1, &props));
}

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
