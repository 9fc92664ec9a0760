#include "EnumList.h"

#include <gtest/gtest.h>

#include <vector>

TEST(EnumList, GivesEachChoiceTheValueTheModuleMeans) {
    struct Case {
        const char* list;
        const char* name;
        std::optional<int32_t> value;
    };
    const Case cases[] = {{"Normal,Differ,Sum", "Normal", 0},
                          {"Normal,Differ,Sum", "sum", 2},
                          {"Normal,Differ,Sum", "Other", {}},
                          {"Low=-1,Mid,High=5", "Mid", 0},
                          {"Low=-1,Mid,High=5", "High", 5},
                          {" A = 7 ,B", "A", 7},
                          {"A, ,B", "B", 2},
                          {"range -2,4", "-2", -2},
                          {"range -2,4", "4", 4},
                          {"range -2,4", "5", {}},
                          {"A=99999999999,B", "A", 2147483647},
                          {"A=2147483647,B", "B", -2147483647 - 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(EnumList(c.list).ValueOf(c.name), c.value) << c.list << " / " << c.name;
    }
}

TEST(EnumList, NamesTheChoiceOfAValue) {
    EXPECT_EQ(EnumList("Normal,Differ,Sum").TextOf(1), "Differ");
    EXPECT_EQ(EnumList("Low=-1,Mid,High=5").TextOf(-1), "Low");
    EXPECT_EQ(EnumList("range 0,3").TextOf(3), "3");
    EXPECT_EQ(EnumList("Normal,Differ,Sum").TextOf(3), std::nullopt);
    EXPECT_EQ(EnumList("Normal,Differ,Sum").Describe(), "Normal, Differ, Sum");
}

TEST(EnumList, ListsTheValuesAUserCanChoose) {
    EXPECT_EQ(EnumList("Low=-1,Mid,High=5").Values(), (std::vector<int32_t>{-1, 0, 5}));
    EXPECT_EQ(EnumList("range -2,4").Values(), (std::vector<int32_t>{-2, 4}));
    EXPECT_EQ(EnumList("range 3,3").Values(), std::vector<int32_t>{3});
    EXPECT_TRUE(EnumList("range 4,-2").Values().empty());
}
