// The choices of an enumeration pin, read from the pin's list text as the module declares it:
// "Normal,Differ,Sum" (values 0, 1, 2), items with their own values ("Low=-1,High=1"), or the
// range form "range 0,10". The host uses it to turn a choice's name into the value it writes to
// the pin, and a pin's value into the text it shows.
#ifndef QVHOST_ENUM_LIST_H
#define QVHOST_ENUM_LIST_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class EnumList {
public:
    explicit EnumList(const std::string& text);

    // The value of the first item whose text matches `name`, ignoring letter case.
    std::optional<int32_t> ValueOf(const std::string& name) const;
    // The text of the first item with `value`.
    std::optional<std::string> TextOf(int32_t value) const;
    // The values a user can choose, in list order: every item's, or a range's two bounds.
    // Empty for a range whose low bound lies above its high bound.
    std::vector<int32_t> Values() const;
    // The item texts, for messages; a range gives its bounds.
    std::string Describe() const;

private:
    struct Item {
        std::string text;
        int32_t value;
    };

    bool m_range = false;
    int32_t m_range_low = 0;
    int32_t m_range_high = 0;
    std::vector<Item> m_items;
};

#endif
