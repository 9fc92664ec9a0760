#include "PrintableText.h"

#include <gtest/gtest.h>

TEST(PrintableText, ShowsControlCharactersAndDelAsHexAndKeepsLineBreaksWhenAsked) {
    const struct {
        std::string text;
        LineBreaks breaks;
        std::string shown;
    } cases[] = {
        {"\x1b[2J\x1b[Hall checks passed", LineBreaks::kEscaped, "\\x1B[2J\\x1B[Hall checks passed"},
        {"Gain\t\r\b\x7f", LineBreaks::kEscaped, "Gain\\x09\\x0D\\x08\\x7F"},
        {"two\nlines", LineBreaks::kEscaped, "two\\x0Alines"},
        {"two\nlines", LineBreaks::kKept, "two\nlines"},
        {"Grüße", LineBreaks::kEscaped, "Grüße"},
    };
    for (const auto& c : cases) EXPECT_EQ(PrintableText(c.text, c.breaks), c.shown);
}
