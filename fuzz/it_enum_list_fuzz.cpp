// Builds an iterator from arbitrary text (each pair of input bytes is one 16-bit character, as on
// the Windows target), walks it and cross-checks the walk against the counting and the lookups.
// Range texts without a comma after the prefix are contract failures by design and are skipped.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "it_enum_list.h"

namespace {

// Enough to cover every branch of a step; huge ranges would otherwise make one input slow.
const int32_t kItemsWalked = 4096;
const int32_t kItemsLookedUp = 64;

void Require(bool condition) {
    if (!condition) std::abort();
}

bool BreaksConstructorContract(const std::wstring& list) {
    return list.compare(0, 5, L"range") == 0 && list.size() > 5 &&
           list.find(L',', 6) == std::wstring::npos;
}

void CheckItem(const std::wstring& list, bool range_form, const enum_list_item& item) {
    if (range_form) return;
    Require(item.text.find(L',') == std::wstring::npos);
    Require(item.text.empty() || (item.text.front() != L' ' && item.text.back() != L' '));
    Require(it_enum_list::ContainsValue(list, item.value));
    Require(it_enum_list::ValueOrFirst(list, item.value) == item.value);
}

void CheckLookups(const std::wstring& list, const enum_list_item& item) {
    it_enum_list by_index(list);
    Require(by_index.FindIndex(item.index));
    Require(by_index.CurrentItem().value == item.value && by_index.CurrentItem().text == item.text);
    it_enum_list by_value(list);
    Require(by_value.FindValue(item.value));
    Require(by_value.CurrentItem().value == item.value);
    Require(by_value.CurrentItem().index <= item.index);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring list;
    for (size_t i = 0; i + 1 < size; i += 2) {
        list.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    if (BreaksConstructorContract(list)) return 0;

    try {
        it_enum_list items(list);
        Require(items.IsDone());
        const bool range_form = list.compare(0, 5, L"range") == 0;
        const int32_t size_counted = items.Size();
        Require(size_counted >= 1);

        int32_t walked = 0;
        int32_t first_value = 0;
        for (items.First(); !items.IsDone() && walked < kItemsWalked; items.Next()) {
            const enum_list_item& item = items.CurrentItem();
            Require(item.index == walked);
            if (walked == 0) first_value = item.value;
            if (walked < kItemsLookedUp) {
                CheckItem(list, range_form, item);
                CheckLookups(list, item);
            }
            ++walked;
        }
        Require(walked <= size_counted);
        if (walked == 0) {
            Require(it_enum_list::ValueOrFirst(list, 12345) == 0);
            Require(!it_enum_list::ContainsValue(list, 12345));
        } else if (!it_enum_list::ContainsValue(list, 12345)) {
            Require(it_enum_list::ValueOrFirst(list, 12345) == first_value);
        }
        if (items.IsDone()) {
            items.Next();
            Require(items.IsDone());
        }
    } catch (const std::out_of_range&) {
        Require(list == L"range");
    }
    return 0;
}
