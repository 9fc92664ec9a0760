#include "EnumList.h"

#include <cctype>
#include <limits>

namespace {

// Decimal reading as modules expect it: leading white space skipped, an optional sign, the digits
// up to the first other character; no digits read as 0, and values beyond 32 bits saturate.
int32_t TextToInt(const std::string& text, size_t from) {
    size_t at = from;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    int64_t magnitude = 0;
    const int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > limit) magnitude = limit;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

std::string TrimSpaces(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

EnumList::EnumList(const std::string& text) {
    if (text.compare(0, 5, "range") == 0) {
        m_range = true;
        m_range_low = TextToInt(text, 6);
        const size_t comma = text.find(',', 6);
        m_range_high = comma == std::string::npos ? 0 : TextToInt(text, comma + 1);
        return;
    }
    int64_t next_value = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        const size_t equals = item.find('=');
        Item parsed{TrimSpaces(item), 0};
        if (equals != std::string::npos && equals > 0) {
            parsed.text = TrimSpaces(item.substr(0, equals));
            parsed.value = TextToInt(item, equals + 1);
        } else {
            // Wraps like the module's own 32-bit counting would, without signed overflow here.
            parsed.value = static_cast<int32_t>(static_cast<uint32_t>(next_value));
        }
        next_value = int64_t{parsed.value} + 1;
        m_items.push_back(parsed);
        start = end + 1;
    }
}

std::optional<int32_t> EnumList::ValueOf(const std::string& name) const {
    if (m_range) {
        if (name.empty()) return std::nullopt;
        const int32_t value = TextToInt(name, 0);
        if (std::to_string(value) != name || value < m_range_low || value > m_range_high) {
            return std::nullopt;
        }
        return value;
    }
    for (const Item& item : m_items) {
        if (SameIgnoringCase(item.text, name)) return item.value;
    }
    return std::nullopt;
}

std::optional<std::string> EnumList::TextOf(int32_t value) const {
    if (m_range) {
        if (value < m_range_low || value > m_range_high) return std::nullopt;
        return std::to_string(value);
    }
    for (const Item& item : m_items) {
        if (item.value == value) return item.text;
    }
    return std::nullopt;
}

std::vector<int32_t> EnumList::Values() const {
    if (m_range) {
        if (m_range_low > m_range_high) return {};
        if (m_range_low == m_range_high) return {m_range_low};
        return {m_range_low, m_range_high};
    }
    std::vector<int32_t> values;
    for (const Item& item : m_items) values.push_back(item.value);
    return values;
}

std::string EnumList::Describe() const {
    if (m_range) return std::to_string(m_range_low) + ".." + std::to_string(m_range_high);
    std::string names;
    for (const Item& item : m_items) names += (names.empty() ? "" : ", ") + item.text;
    return names;
}
