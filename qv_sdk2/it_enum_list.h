// Reads an enumeration-list text and walks its items. A text is either a list,
// "Normal,Differ,Sum" (items may carry values, "A=5,B"), or a range, "range 0,10". The iterator
// owns a copy of the text.
#ifndef IT_ENUM_LIST_H
#define IT_ENUM_LIST_H

#include "QVContract.h"

#include <cstdint>
#include <string>

// One item of a walk. index is -1 when the iterator is done; value and text are then not read.
struct enum_list_item {
    int32_t index;
    int32_t value;
    std::wstring text;
};

class it_enum_list {
public:
    // Throws std::out_of_range("basic_string::substr") for the bare text "range"; a range text
    // without a comma at or after position 6 breaks the contract. Leaves the iterator done until
    // First, FindIndex or FindValue positions it.
    explicit it_enum_list(const std::wstring& list);

    void First();
    void Next();
    bool IsDone() const { return m_current.index == -1; }

    const enum_list_item& CurrentItem() const {
        QV_REQUIRE(!IsDone(), it_enum_list.h, 21);
        return m_current;
    }

    // Counted from the text alone, saturating at 2147483647: a trailing comma counts, the empty
    // text counts 1, and a descending range counts its distance plus one though it yields nothing.
    int32_t Size() const;

    // Both restart from the first item and stop on the first match; done when there is none.
    bool FindIndex(int32_t index);
    bool FindValue(int32_t value);

    // value when the list has it, else the first item's value, else 0. Both read the text where
    // it stands and allocate nothing, so a module may call them while a host processes audio.
    static int32_t ValueOrFirst(const std::wstring& list, int32_t value);
    static bool ContainsValue(const std::wstring& list, int32_t value);

    // The wcstol reading of the text's start, saturated to 32 bits; 0 for a base wcstol rejects.
    static int32_t TextToInt(const std::wstring& text, int32_t base);

private:
    void StepList();
    void PositionInRange(int64_t offset);
    // The bounds of a range text; raises or fails the contract as construction does.
    static void ReadRangeBounds(const std::wstring& list, int32_t* low, int32_t* high);
    // Each item's value, or a range's bounds at once, until `visit(low, high)` answers true.
    template <typename Visit>
    static void ForEachValue(const std::wstring& list, Visit visit);
    void MarkDone() { m_current.index = -1; }

    std::wstring m_list;
    enum_list_item m_current;
    bool m_range;
    int32_t m_position;  // list form: where the next item begins; range form: the lower bound
    int32_t m_range_hi;
};

#endif
