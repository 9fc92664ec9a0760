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

// Where a process call of frames 16..47 may write: its output's frames only, an input nowhere;
// a write elsewhere is found at its offset (the guards around a buffer included).
TEST(SampleBuffers, FindsAWriteOutsideWhatTheCallMayWriteAtItsOffset) {
    struct Row {
        size_t buffer;  // 0 In, 1 Out
        int offset;
        const char* problem;  // the rule broken, or null
        const char* text;
    };
    const Row rows[] = {
        {1, 16, nullptr, ""},
        {1, 47, nullptr, ""},
        {1, 15, HostRuleId::kWritesInFrames, "wrote pin Out at offset 15, outside its frames"},
        {1, 48, HostRuleId::kWritesInFrames, "wrote pin Out at offset 48, outside its frames"},
        {1, 64, HostRuleId::kWritesInBuffer, "wrote pin Out at offset 64, outside its buffer"},
        {1, -1, HostRuleId::kWritesInBuffer, "wrote pin Out at offset -1, outside its buffer"},
        {0, 3, HostRuleId::kInputsUnwritten, "wrote input pin In at offset 3"},
        {0, 30, HostRuleId::kInputsUnwritten, "wrote input pin In at offset 30"},
        {0, 50, HostRuleId::kInputsUnwritten, "wrote input pin In at offset 50"},
    };
    for (const Row& row : rows) {
        SampleBuffers buffers(64, 64);
        buffers.Add("In", false, true);
        buffers.Add("Out", true, true);
        buffers.Before(16, 32);
        for (int k = 16; k < 48; ++k) buffers.Data(1)[k] = 0.5f;
        buffers.Data(row.buffer)[row.offset] = 0.75f;
        std::vector<HostNote> problems;
        std::vector<HostNote> warnings;
        buffers.After(16, 32, problems, warnings);
        const std::string where = std::to_string(row.buffer) + " at " + std::to_string(row.offset);
        ASSERT_EQ(problems.size(), row.problem != nullptr ? 1u : 0u) << where;
        if (row.problem == nullptr) continue;
        EXPECT_STREQ(problems[0].rule, row.problem) << where;
        EXPECT_EQ(problems[0].text, std::string("a process call of frames 16..47 ") + row.text);
    }
}
