#include "it_enum_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "ContractFailurePattern.h"
#include "CountedAllocations.h"

namespace {

struct Item {
    int32_t index;
    int32_t value;
    std::wstring text;
    bool operator==(const Item& other) const {
        return index == other.index && value == other.value && text == other.text;
    }
};

std::ostream& operator<<(std::ostream& out, const Item& item) {
    return out << "(" << item.index << ", " << item.value << ", "
               << testing::PrintToString(item.text) << ")";
}

std::vector<Item> Walk(it_enum_list& items) {
    std::vector<Item> walked;
    for (items.First(); !items.IsDone(); items.Next()) {
        const enum_list_item& current = items.CurrentItem();
        walked.push_back({current.index, current.value, current.text});
    }
    return walked;
}

std::vector<Item> Counted(std::initializer_list<const wchar_t*> texts, int32_t from) {
    std::vector<Item> items;
    for (const wchar_t* text : texts) {
        const int32_t index = static_cast<int32_t>(items.size());
        items.push_back({index, from + index, text});
    }
    return items;
}

struct WalkCase {
    std::wstring list;
    int32_t size;
    std::vector<Item> items;
};

const std::vector<WalkCase> kWalkCases = {
    // List form: splitting, values, trimming.
    {L"Normal,Differ,Sum", 3, Counted({L"Normal", L"Differ", L"Sum"}, 0)},
    {L"A,B,C", 3, Counted({L"A", L"B", L"C"}, 0)},
    {L"A=5,B,C=2,D", 4, {{0, 5, L"A"}, {1, 6, L"B"}, {2, 2, L"C"}, {3, 3, L"D"}}},
    {L" A = 5 , B ", 2, {{0, 5, L"A"}, {1, 6, L"B"}}},
    {L"=5,X", 2, {{0, 0, L"=5"}, {1, 1, L"X"}}},
    {L" =5", 1, {{0, 5, L""}}},
    {L"=5,B", 2, {{0, 0, L"=5"}, {1, 1, L"B"}}},
    {L"A=x", 1, {{0, 0, L"A"}}},
    {L"A=", 1, {{0, 0, L"A"}}},
    {L"A= 7", 1, {{0, 7, L"A"}}},
    {L"A=-3", 1, {{0, -3, L"A"}}},
    {L"A=+7", 1, {{0, 7, L"A"}}},
    {L"A=1=2", 1, {{0, 1, L"A"}}},
    {L"A=99999999999", 1, {{0, 2147483647, L"A"}}},
    {L"A=-99999999999", 1, {{0, -2147483647 - 1, L"A"}}},
    {L"A\t", 1, {{0, 0, L"A\t"}}},
    {L"\t A", 1, {{0, 0, L"\t A"}}},
    {L"\u00c4rger,\u00dcbel", 2, Counted({L"\u00c4rger", L"\u00dcbel"}, 0)},
    // Empty items, a leading comma, a trailing comma, the empty text.
    {L"A,,B", 3, Counted({L"A", L"", L"B"}, 0)},
    {L"A,  ,B", 3, Counted({L"A", L"", L"B"}, 0)},
    {L",A", 2, Counted({L"", L"A"}, 0)},
    {L"A,B,", 3, Counted({L"A", L"B"}, 0)},
    {L"", 1, {}},
    // Range form and its odd prefixes.
    {L"range 0,10", 11,
     Counted({L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10"}, 0)},
    {L"range -3,1", 5, Counted({L"-3", L"-2", L"-1", L"0", L"1"}, -3)},
    {L"range 5,5", 1, {{0, 5, L"5"}}},
    {L"range 10,0", 11, {}},
    {L"range 0, 10", 11,
     Counted({L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10"}, 0)},
    {L"range 1 ,5", 5, Counted({L"1", L"2", L"3", L"4", L"5"}, 1)},
    {L"range 1,5,9", 5, Counted({L"1", L"2", L"3", L"4", L"5"}, 1)},
    {L"range1,5", 6, Counted({L"0", L"1", L"2", L"3", L"4", L"5"}, 0)},
    {L"range ,5", 6, Counted({L"0", L"1", L"2", L"3", L"4", L"5"}, 0)},
    {L"range 5,", 6, {}},
    {L"Range 1,5", 2, Counted({L"Range 1", L"5"}, 0)},
    {L"ranger,scout", 1, {{0, 0, L"0"}}},
    // The 32-bit limits: the walk ends after the highest integer, starts at the lowest, and a
    // counted value after the highest wraps as 32-bit arithmetic does.
    {L"range 2147483645,2147483647", 3,
     Counted({L"2147483645", L"2147483646", L"2147483647"}, 2147483645)},
    {L"range -2147483648,-2147483647",
     2,
     {{0, -2147483647 - 1, L"-2147483648"}, {1, -2147483647, L"-2147483647"}}},
    {L"A=2147483647,B", 2, {{0, 2147483647, L"A"}, {1, -2147483647 - 1, L"B"}}},
};

TEST(ItEnumList, EveryTextCountsAndWalksItsItems) {
    for (const WalkCase& c : kWalkCases) {
        it_enum_list items(c.list);
        EXPECT_EQ(items.Size(), c.size) << testing::PrintToString(c.list);
        EXPECT_EQ(Walk(items), c.items) << testing::PrintToString(c.list);
    }
}

TEST(ItEnumList, SizeSaturatesForBoundsFurtherApartThan32BitsCanCount) {
    EXPECT_EQ(it_enum_list(L"range -2147483648,2147483647").Size(), 2147483647);
    EXPECT_EQ(it_enum_list(L"range 2147483647,-2147483648").Size(), 2147483647);
    EXPECT_EQ(it_enum_list(L"range 0,2147483647").Size(), 2147483647);
    EXPECT_EQ(it_enum_list(L"range 0,2147483646").Size(), 2147483647);
    EXPECT_EQ(it_enum_list(L"range 1,2147483646").Size(), 2147483646);
}

TEST(ItEnumList, HugeRangeLookupsNeitherWalkNorOverflowTheIndex) {
    it_enum_list full(L"range -2147483648,2147483647");
    ASSERT_TRUE(full.FindIndex(2147483647));
    EXPECT_EQ(full.CurrentItem().value, -1);
    EXPECT_EQ(full.CurrentItem().text, L"-1");
    full.Next();
    EXPECT_TRUE(full.IsDone()) << "an index past 2147483647 does not exist";
    EXPECT_FALSE(full.FindValue(0));

    it_enum_list upper(L"range 0,2147483647");
    ASSERT_TRUE(upper.FindValue(2147483647));
    EXPECT_EQ(upper.CurrentItem().index, 2147483647);
    upper.Next();
    EXPECT_TRUE(upper.IsDone());
    upper.Next();
    EXPECT_TRUE(upper.IsDone());
    EXPECT_EQ(it_enum_list::ValueOrFirst(L"range -2147483648,0", 5), -2147483647 - 1);
}

TEST(ItEnumList, FindIndexAndFindValueRestartAndStopOnTheFirstMatch) {
    it_enum_list letters(L"A,B,C");
    for (int32_t index : {2, 0, 1}) {
        ASSERT_TRUE(letters.FindIndex(index)) << index;
        EXPECT_EQ(letters.CurrentItem().index, index);
    }
    for (int32_t missing : {-1, 3}) {
        EXPECT_FALSE(letters.FindIndex(missing)) << missing;
        EXPECT_TRUE(letters.IsDone());
    }

    it_enum_list repeated(L"A=1,B=1");
    repeated.FindIndex(1);
    ASSERT_TRUE(repeated.FindValue(1));
    EXPECT_EQ(repeated.CurrentItem().text, L"A");

    it_enum_list range(L"range 3,6");
    ASSERT_TRUE(range.FindValue(5));
    EXPECT_EQ(range.CurrentItem().index, 2);
    range.Next();
    EXPECT_EQ(range.CurrentItem().text, L"6");
    EXPECT_FALSE(range.FindValue(2));
    EXPECT_FALSE(range.FindIndex(4));
}

struct Lookup {
    std::wstring list;
    int32_t value;
    int32_t value_or_first;
    bool contained;
};

TEST(ItEnumList, ValueOrFirstAndContainsValueAnswerFromTheTextAlone) {
    const Lookup lookups[] = {
        {L"Normal,Differ,Sum", 2, 2, true},
        {L"Normal,Differ,Sum", 5, 0, false},
        {L"Normal,Differ,Sum", 1, 1, true},
        {L"Normal,Differ,Sum", 3, 0, false},
        {L"A=5,B,C=2,D", 9, 5, false},
        {L"A=5,B,C=2,D", 6, 6, true},
        // An equals sign first in its item gives no value, as in the walk: "=5" counts 0.
        {L"=5,B", 5, 0, false},
        {L"=5,B", 1, 1, true},
        {L"", 0, 0, false},
        {L"", 7, 0, false},
        {L"A,B,", 2, 0, false},
        {L"range 3,6", 4, 4, true},
        {L"range 3,6", 9, 3, false},
        {L"range 10,0", 5, 0, false},
        // Equal bounds hold their one value.
        {L"range 5,5", 5, 5, true},
        {L"range 5,5", 6, 5, false},
        {L"range -7,-7", -7, -7, true},
        {L"range -7,-7", 0, -7, false},
        {L"range 2147483646,2147483647", 2147483647, 2147483647, true},
        // Wider than an item index can count: answered from the bounds.
        {L"range -2147483648,2147483647", 0, 0, true},
        {L"range -2147483648,2147483647", 5, 5, true},
        {L"range -2147483648,2147483647", 2147483647, 2147483647, true},
        {L"range -2147483647,2147483647", -2147483647 - 1, -2147483647, false},
    };
    for (const Lookup& l : lookups) {
        const std::string where = testing::PrintToString(l.list) + " " + std::to_string(l.value);
        EXPECT_EQ(it_enum_list::ValueOrFirst(l.list, l.value), l.value_or_first) << where;
        EXPECT_EQ(it_enum_list::ContainsValue(l.list, l.value), l.contained) << where;
    }
}

// A module looks its choices up where a host may be processing audio.
TEST(ItEnumList, LookupsAllocateNothing) {
    const std::wstring lists[] = {L"Normal,Differ,Sum", L"A=5,B,C=2,D", L"range -3,6", L" =5", L""};
    const uint64_t before = CountedAllocations();
    int32_t answers = 0;
    for (const std::wstring& list : lists) {
        answers += it_enum_list::ValueOrFirst(list, 2) + it_enum_list::ContainsValue(list, 9);
    }
    EXPECT_EQ(CountedAllocations() - before, 0u) << answers;
}

TEST(ItEnumList, EndedWalkStaysDoneUntilFirstStartsAgain) {
    for (const wchar_t* list : {L"A,B", L"range 1,2"}) {
        it_enum_list items(list);
        EXPECT_TRUE(items.IsDone()) << "unpositioned reads as done";
        items.Next();
        EXPECT_TRUE(items.IsDone());
        const std::vector<Item> first_walk = Walk(items);
        ASSERT_EQ(first_walk.size(), 2u);
        items.Next();
        items.Next();
        EXPECT_TRUE(items.IsDone());
        EXPECT_EQ(Walk(items), first_walk);
    }
}

TEST(ItEnumList, TextToIntFollowsWcstolAndSaturatesAt32Bits) {
    struct Reading {
        std::wstring text;
        int32_t base;
        int32_t number;
    };
    const Reading readings[] = {
        {L"  42x", 10, 42},
        {L"-3", 10, -3},
        {L"+7", 10, 7},
        {L"", 10, 0},
        {L"x1", 10, 0},
        {L"2147483647", 10, 2147483647},
        {L"2147483648", 10, 2147483647},
        {L"-2147483648", 10, -2147483647 - 1},
        {L"-2147483649", 10, -2147483647 - 1},
        {L"99999999999999999999", 10, 2147483647},
        {L"ff", 16, 255},
        {L"0x10", 0, 16},
        {L"12", 1, 0},
        {L"12", 37, 0},
        {L"12", -5, 0},
    };
    for (const Reading& r : readings) {
        EXPECT_EQ(it_enum_list::TextToInt(r.text, r.base), r.number)
            << testing::PrintToString(r.text) << " base " << r.base;
    }
}

TEST(ItEnumList, BareRangePrefixRaisesOutOfRangeWithTheSubstrMessage) {
    auto expect_substr_error = [](auto&& call) {
        try {
            call();
            ADD_FAILURE() << "no out_of_range";
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "basic_string::substr");
        }
    };
    expect_substr_error([] { it_enum_list items(L"range"); });
    expect_substr_error([] { it_enum_list::ValueOrFirst(L"range", 0); });
    expect_substr_error([] { it_enum_list::ContainsValue(L"range", 0); });
}

TEST(ItEnumList, LongListWalkCompletes) {
    const int32_t count = 100000;
    std::wstring list;
    for (int32_t i = 0; i < count; ++i) list += L"Item" + std::to_wstring(i) + L",";
    it_enum_list items(list);
    EXPECT_EQ(items.Size(), count + 1);
    int32_t walked = 0;
    for (items.First(); !items.IsDone(); items.Next()) ++walked;
    EXPECT_EQ(walked, count);
    ASSERT_TRUE(items.FindValue(count - 1));
    EXPECT_EQ(items.CurrentItem().text, L"Item" + std::to_wstring(count - 1));
}

TEST(ItEnumListDeathTest, RangeWithoutCommaBreaksTheConstructorContract) {
    for (const wchar_t* list : {L"range 5", L"range ", L"range,5", L"rangex 5"}) {
        EXPECT_DEATH(it_enum_list items(list),
                     ContractFailurePattern("p != -1", "it_enum_list", 27));
    }
}

TEST(ItEnumListDeathTest, CurrentItemOnDoneIteratorBreaksTheAccessorContract) {
    const std::string pattern = ContractFailurePattern("!IsDone()", "it_enum_list.h", 21);
    it_enum_list unpositioned(L"A,B");
    EXPECT_DEATH(unpositioned.CurrentItem(), pattern);
    it_enum_list ended(L"A");
    ended.First();
    ended.Next();
    EXPECT_DEATH(ended.CurrentItem(), pattern);
    it_enum_list empty_range(L"range 10,0");
    empty_range.First();
    EXPECT_DEATH(empty_range.CurrentItem(), pattern);
}

}  // namespace
