#include "WavWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
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
