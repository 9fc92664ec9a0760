#include "it_enum_list.h"

#include <algorithm>
#include <cwchar>
#include <stdexcept>

namespace {

const wchar_t kRangePrefix[] = L"range";
const std::size_t kRangePrefixLength = 5;
// The character after the prefix is skipped unread; the lower bound starts here.
const std::size_t kRangeBoundsStart = 6;
// Positions in a list text are 32-bit, and the one after an item's end must fit too: characters
// past this many are not read, so no position or index of a walk can overflow.
const std::size_t kReadableListLength = INT32_MAX - 1;

bool IsRangeText(const std::wstring& list) {
    return list.compare(0, kRangePrefixLength, kRangePrefix) == 0;
}

// long is 64-bit on Linux and 32-bit on Windows: saturate explicitly so both read alike. A base
// that wcstol rejects reads as 0 here, since some runtimes end the process on it.
int32_t ReadNumber(const wchar_t* text, int32_t base) {
    if (base != 0 && (base < 2 || base > 36)) return 0;
    const long number = std::wcstol(text, nullptr, base);
    return static_cast<int32_t>(std::clamp<long>(number, INT32_MIN, INT32_MAX));
}

// Writes into the existing text, so that a walk reuses one buffer instead of allocating per item.
void AssignDecimal(std::wstring& text, int32_t value) {
    wchar_t digits[12];  // "-2147483648" and its terminator
    std::swprintf(digits, sizeof digits / sizeof digits[0], L"%d", static_cast<int>(value));
    text.assign(digits);
}

void TrimSpaces(std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) {
        text.clear();
        return;
    }
    text.erase(text.find_last_not_of(L' ') + 1);
    text.erase(0, first);
}

}  // namespace

it_enum_list::it_enum_list(const std::wstring& list)
    : m_list(list), m_current{-1, 0, std::wstring()}, m_range(IsRangeText(list)), m_position(0),
      m_range_hi(0) {
    if (m_range) ReadRangeBounds(m_list, &m_position, &m_range_hi);
}

void it_enum_list::ReadRangeBounds(const std::wstring& list, int32_t* low, int32_t* high) {
    // Callers may rely on the bare prefix raising what cutting out the bounds' text from position
    // 6 has always raised.
    if (list.size() < kRangeBoundsStart) throw std::out_of_range("basic_string::substr");
    const std::size_t comma = list.find(L',', kRangeBoundsStart);
    const long long p = comma == std::wstring::npos ? -1 : static_cast<long long>(comma);
    QV_REQUIRE(p != -1, it_enum_list, 27);
    *low = ReadNumber(list.c_str() + kRangeBoundsStart, 10);
    *high = ReadNumber(list.c_str() + comma + 1, 10);
}

void it_enum_list::First() {
    if (m_range) {
        PositionInRange(0);
        return;
    }
    m_position = 0;
    m_current.index = -1;
    m_current.value = -1;
    StepList();
}

void it_enum_list::Next() {
    if (IsDone()) return;
    if (m_range) {
        PositionInRange(int64_t{m_current.index} + 1);
    } else {
        StepList();
    }
}

int32_t it_enum_list::Size() const {
    if (m_range) {
        const int64_t distance = int64_t{m_range_hi} - m_position;
        const int64_t count = (distance < 0 ? -distance : distance) + 1;
        return static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
    }
    // A comma in the first position counts like any other: it ends an empty first item.
    const std::size_t readable = std::min(m_list.size(), kReadableListLength);
    const auto commas = std::count(m_list.begin(), m_list.begin() + readable, L',');
    return static_cast<int32_t>(commas + 1);
}

bool it_enum_list::FindIndex(int32_t index) {
    if (m_range) {
        PositionInRange(index);
        return !IsDone();
    }
    for (First(); !IsDone(); Next()) {
        if (m_current.index == index) return true;
    }
    return false;
}

bool it_enum_list::FindValue(int32_t value) {
    if (m_range) {
        PositionInRange(int64_t{value} - m_position);
        return !IsDone();
    }
    for (First(); !IsDone(); Next()) {
        if (m_current.value == value) return true;
    }
    return false;
}

// The values of `list`'s items, read where they stand: no copy of the text or of an item is
// made, so the lookups allocate nothing and may be made where a host is processing audio. A
// range is answered from its bounds: it may hold more values than an item index can count.
// `visit` answers true to stop.
template <typename Visit>
void it_enum_list::ForEachValue(const std::wstring& list, Visit visit) {
    if (IsRangeText(list)) {
        int32_t low = 0;
        int32_t high = 0;
        ReadRangeBounds(list, &low, &high);
        if (low <= high) visit(low, high);
        return;
    }
    const std::size_t end = std::min(list.size(), kReadableListLength);
    int32_t value = -1;
    for (std::size_t start = 0; start < end;) {
        const std::size_t stop = std::min(list.find(L',', start), end);
        value = value == INT32_MAX ? INT32_MIN : value + 1;
        // The item's first equals sign gives its value, unless it is the item's first character.
        const std::size_t equals = list.find(L'=', start);
        if (equals != std::wstring::npos && equals > start && equals < stop) {
            value = ReadNumber(list.c_str() + equals + 1, 10);
        }
        if (visit(value, value)) return;
        start = stop + 1;
    }
}

int32_t it_enum_list::ValueOrFirst(const std::wstring& list, int32_t value) {
    bool first_seen = false;
    int32_t first = 0;
    bool found = false;
    ForEachValue(list, [&](int32_t low, int32_t high) {
        if (!first_seen) {
            first_seen = true;
            first = low;
        }
        found = value >= low && value <= high;
        return found;
    });
    return found ? value : first;
}

bool it_enum_list::ContainsValue(const std::wstring& list, int32_t value) {
    bool found = false;
    ForEachValue(list, [&](int32_t low, int32_t high) {
        found = value >= low && value <= high;
        return found;
    });
    return found;
}

int32_t it_enum_list::TextToInt(const std::wstring& text, int32_t base) {
    return ReadNumber(text.c_str(), base);
}

// One list item: cut at the next comma, split at an equals sign past the item's first character,
// count the value on from the previous item otherwise, then trim spaces. Only the item is copied,
// and the search starts where the previous item ended, so a whole walk reads the text once.
void it_enum_list::StepList() {
    const std::size_t start = static_cast<std::size_t>(m_position);
    const std::size_t end = std::min(m_list.size(), kReadableListLength);
    if (start >= end) {
        MarkDone();
        return;
    }
    const std::size_t stop = std::min(m_list.find(L',', start), end);
    m_current.index += 1;
    // After 2147483647 the count wraps to -2147483648, as the 32-bit value it is.
    m_current.value = m_current.value == INT32_MAX ? INT32_MIN : m_current.value + 1;
    m_current.text.assign(m_list, start, stop - start);
    const std::size_t equals = m_current.text.find(L'=');
    if (equals != std::wstring::npos && equals >= 1) {
        m_current.value = ReadNumber(m_current.text.c_str() + equals + 1, 10);
        m_current.text.resize(equals);
    }
    m_position = static_cast<int32_t>(stop + 1);
    TrimSpaces(m_current.text);
}

// The range's items are its integers in order, so any of them can be reached at once: offset
// from the lower bound, worked out in 64 bits so that neither bound nor the index can overflow.
// An index is 32-bit, so a range yields at most 2147483648 items.
void it_enum_list::PositionInRange(int64_t offset) {
    const int64_t value = m_position + offset;
    if (offset < 0 || offset > INT32_MAX || value > m_range_hi) {
        MarkDone();
        return;
    }
    m_current.index = static_cast<int32_t>(offset);
    m_current.value = static_cast<int32_t>(value);
    AssignDecimal(m_current.text, m_current.value);
}
