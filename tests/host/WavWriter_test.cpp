#include "WavWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "HostError.h"

// The native host writes 32-bit float WAV; the Windows host, built without libsndfile, refuses
// with its reason.
TEST(WavWriter, WritesFloatWavWhereAvailableAndSaysWhyWhereNot) {
    const std::vector<SampleTrack> outputs{{"Out", std::vector<float>(100, 0.5f), {}},
                                           {"Out#2", std::vector<float>(100, -1.0f), {}}};
    const std::string path = testing::TempDir() + "wav_writer_test.wav";
    if (!WavWriter::Available()) {
        EXPECT_THROW(WavWriter::WriteFile(path, outputs, 48000.0f), HostError);
        return;
    }
    EXPECT_THROW(WavWriter::WriteFile(path, {}, 48000.0f), HostError);
    WavWriter::WriteFile(path, outputs, 48000.0f);
    std::ifstream file(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    std::remove(path.c_str());
    ASSERT_GE(bytes.size(), 100u * 2 * 4);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 4), "WAVE");
    EXPECT_NE(bytes.find("fmt "), std::string::npos);
}

namespace {

uint32_t Word(const std::string& bytes, size_t at, size_t size) {
    uint32_t value = 0;
    for (size_t i = size; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

// Each output pin is its own channel: the samples of a frame come one from each pin, in the
// order of the pins.
TEST(WavWriter, WritesEachOutputToItsOwnChannel) {
    if (!WavWriter::Available()) GTEST_SKIP() << "no WAV output in this host";
    constexpr size_t kFrames = 5;
    std::vector<SampleTrack> outputs{{"Out", {}, {}}, {"Out#2", {}, {}}};
    for (size_t frame = 0; frame < kFrames; ++frame) {
        outputs[0].samples.push_back(0.25f * static_cast<float>(frame));
        outputs[1].samples.push_back(-0.5f - static_cast<float>(frame));
    }
    const std::string path = testing::TempDir() + "wav_writer_channels_test.wav";
    WavWriter::WriteFile(path, outputs, 44100.0f);
    std::ifstream file(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    file.close();
    std::remove(path.c_str());

    // The chunks after "RIFF", size, "WAVE": an id, a size, and the body, padded to even size.
    size_t channels = 0;
    std::vector<float> samples;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const size_t size = Word(bytes, at + 4, 4);
        ASSERT_LE(at + 8 + size, bytes.size()) << id;
        if (id == "fmt ") channels = Word(bytes, at + 10, 2);
        if (id == "data") {
            for (size_t s = 0; s + 4 <= size; s += 4) {
                const uint32_t bits = Word(bytes, at + 8 + s, 4);
                float sample = 0.0f;
                std::memcpy(&sample, &bits, sizeof sample);
                samples.push_back(sample);
            }
        }
        at += 8 + size + size % 2;
    }
    EXPECT_EQ(channels, 2u);
    ASSERT_EQ(samples.size(), 2 * kFrames);
    for (size_t frame = 0; frame < kFrames; ++frame) {
        EXPECT_EQ(samples[2 * frame], outputs[0].samples[frame]) << "Out, frame " << frame;
        EXPECT_EQ(samples[2 * frame + 1], outputs[1].samples[frame]) << "Out#2, frame " << frame;
    }
}
