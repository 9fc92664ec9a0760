#include "SampleBuffers.h"

#include "HostRuleIds.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

// What the watch makes of what a process call leaves in an output: a NaN or an infinity is a
// problem; a subnormal sample is a warning when the module made it, and nothing when the call's
// input held one the module may have passed on.
TEST(SampleBuffers, JudgesAnOutputSampleByWhatItIsAndWhatTheInputHeld) {
    const float subnormal = std::numeric_limits<float>::denorm_min();
    struct Row {
        float input;
        float output;
        const char* problem;  // the rule broken, or null
        const char* warning;
    };
    const Row rows[] = {
        {0.5f, 0.25f, nullptr, nullptr},
        {0.5f, subnormal, nullptr, HostRuleId::kOutputsNormal},
        {subnormal, subnormal, nullptr, nullptr},
        {0.5f, std::numeric_limits<float>::quiet_NaN(), HostRuleId::kOutputsNotNan, nullptr},
        {subnormal, std::numeric_limits<float>::infinity(), HostRuleId::kOutputsFinite, nullptr},
    };
    for (const Row& row : rows) {
        SampleBuffers buffers(64, 64);
        buffers.Add("In", false, true);
        buffers.Add("Out", true, true);
        for (int k = 0; k < 64; ++k) buffers.Data(0)[k] = k == 40 ? row.input : 0.5f;
        buffers.Before(0, 64);
        for (int k = 0; k < 64; ++k) buffers.Data(1)[k] = k == 40 ? row.output : 0.5f;
        std::vector<HostNote> problems;
        std::vector<HostNote> warnings;
        buffers.After(0, 64, problems, warnings);
        const std::string where = "input " + std::to_string(row.input) + ", output " +
                                  std::to_string(row.output);
        ASSERT_EQ(problems.size(), row.problem != nullptr ? 1u : 0u) << where;
        ASSERT_EQ(warnings.size(), row.warning != nullptr ? 1u : 0u) << where;
        if (row.problem != nullptr) {
            EXPECT_STREQ(problems[0].rule, row.problem);
            EXPECT_NE(problems[0].text.find("pin Out at offset 40"), std::string::npos)
                << problems[0].text;
        }
        if (row.warning != nullptr) {
            EXPECT_STREQ(warnings[0].rule, row.warning);
            EXPECT_EQ(warnings[0].text,
                      "a process call of frames 0..63 wrote a subnormal sample to pin Out at "
                      "offset 40");
        }
    }
}
