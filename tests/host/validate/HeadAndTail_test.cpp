#include "HeadAndTail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

// Read in pieces of any size, a text keeps what the whole text cut once would: all of it when it
// fits, else its head, a line "...", and its tail.
TEST(HeadAndTail, KeepsTheEndsOfATextReadInPieces) {
    struct Case {
        size_t length;
        size_t piece;
    };
    for (const Case c : {Case{0, 1}, {7, 3}, {8, 8}, {9, 1}, {9, 4}, {1000, 7}, {1000, 1000}}) {
        std::string text;
        for (size_t k = 0; k < c.length; ++k) text += static_cast<char>('a' + k % 26);
        HeadAndTail kept(3, 5);
        for (size_t at = 0; at < text.size(); at += c.piece) {
            kept.Append(text.data() + at, std::min(c.piece, text.size() - at));
        }
        const std::string expected =
            text.size() <= 8 ? text : text.substr(0, 3) + "\n...\n" + text.substr(text.size() - 5);
        EXPECT_EQ(kept.Text(), expected) << c.length << " bytes in pieces of " << c.piece;
    }
}
