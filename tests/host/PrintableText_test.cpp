#include "PrintableText.h"

#include <gtest/gtest.h>

// Bytes that are not UTF-8 (a stray continuation, an overlong or cut sequence, a surrogate) are
// shown byte by byte; characters that steer a terminal or reorder a line by their code point.
TEST(PrintableText, ShowsWhatCouldSteerATerminalEscapedAndKeepsLineBreaksWhenAsked) {
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
        {"\xF0\x9F\x8E\xB5 \xE2\x82\xAC", LineBreaks::kEscaped, "\xF0\x9F\x8E\xB5 \xE2\x82\xAC"},
        {"a\xC2\x9B" "2Jb\xC2\x85", LineBreaks::kKept, "a\\u{009B}2Jb\\u{0085}"},
        {"lib\xE2\x80\xAEos.so\xE2\x81\xA6\xE2\x80\x8F\xE2\x80\xA8", LineBreaks::kEscaped,
         "lib\\u{202E}os.so\\u{2066}\\u{200F}\\u{2028}"},
        {"\x80x\xC0\xAFy\xE2\x82", LineBreaks::kEscaped, "\\x80x\\xC0\\xAFy\\xE2\\x82"},
        {"\xED\xA0\x80\xF4\x90\x80\x80", LineBreaks::kEscaped,
         "\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80"},
        {"\xE0\x80\xAF\xF0\x80\x80\xAF", LineBreaks::kEscaped,
         "\\xE0\\x80\\xAF\\xF0\\x80\\x80\\xAF"},
    };
    for (const auto& c : cases) EXPECT_EQ(PrintableText(c.text, c.breaks), c.shown);
}
