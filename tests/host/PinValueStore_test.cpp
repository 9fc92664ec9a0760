#include "PinValueStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {
enum { INT_PIN, FLOAT_PIN, BOOL_PIN, ENUM_PIN };

PinValueStore MakeStore() {
    std::vector<PinDescription> pins(4);
    pins[INT_PIN].datatype = DT_INT;
    pins[FLOAT_PIN].datatype = DT_FLOAT;
    pins[BOOL_PIN].datatype = DT_BOOL;
    pins[ENUM_PIN].datatype = DT_ENUM;
    pins[ENUM_PIN].datatype_extra = "Normal,Differ,Sum";
    return PinValueStore(pins);
}

uint32_t ReadWord(const PinValueStore& store, int32_t pin) {
    uint32_t word = 0xDEADBEEFu;
    store.ReadInto(pin, &word);
    return word;
}
}  // namespace

TEST(PinValueStore, WriteTakesValueOrOptByDatatypeAndReadHandsOutThoseFourBytes) {
    struct Case {
        int32_t pin;
        int32_t value;
        float opt;
        uint32_t expected_word;
    };
    float quarter = 0.25f;
    uint32_t quarter_bits = 0;
    std::memcpy(&quarter_bits, &quarter, sizeof quarter);
    const Case cases[] = {{INT_PIN, -5, 9.0f, 0xFFFFFFFBu},
                          {FLOAT_PIN, 77, 0.25f, quarter_bits},
                          {BOOL_PIN, 7, 0.0f, 1u},
                          {ENUM_PIN, 2, 5.0f, 2u}};
    PinValueStore store = MakeStore();
    for (const Case& c : cases) {
        EXPECT_TRUE(store.Write(c.pin, c.value, c.opt)) << c.pin;
        EXPECT_EQ(ReadWord(store, c.pin), c.expected_word) << c.pin;
    }
}

TEST(PinValueStore, ReportsAChangeOnlyWhenTheStoredValueDiffers) {
    PinValueStore store = MakeStore();
    EXPECT_FALSE(store.Write(INT_PIN, 0, 0.0f));
    EXPECT_TRUE(store.Write(INT_PIN, 4, 0.0f));
    EXPECT_FALSE(store.Write(INT_PIN, 4, 1.0f));
    EXPECT_TRUE(store.Write(BOOL_PIN, 3, 0.0f));
    EXPECT_FALSE(store.Write(BOOL_PIN, -1, 0.0f)) << "any true is the same true";
}

TEST(PinValueStore, NaNWrittenTwiceIsNoChangeSoItCannotNotifyForever) {
    PinValueStore store = MakeStore();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(store.Write(FLOAT_PIN, 0, nan));
    EXPECT_FALSE(store.Write(FLOAT_PIN, 0, nan));
    EXPECT_TRUE(std::isnan(store.FloatValue(FLOAT_PIN)));
}

TEST(PinValueStore, TextsShowEnumerationChoicesByName) {
    PinValueStore store = MakeStore();
    store.Write(ENUM_PIN, 1, 0.0f);
    EXPECT_STREQ(store.Text(ENUM_PIN), "Differ");
    store.Write(ENUM_PIN, 9, 0.0f);
    EXPECT_STREQ(store.Text(ENUM_PIN), "9");
    store.Write(FLOAT_PIN, 0, 1.5f);
    EXPECT_STREQ(store.Text(FLOAT_PIN), "1.5");
    store.Write(INT_PIN, -12, 0.0f);
    EXPECT_EQ(store.WideText(INT_PIN), u"-12");
}
