#include "QVGuiPin.h"

#include "QVGUI_base.h"

#include <cstring>
#include <vector>

// The same request as GetValueInt; the four bytes are read as a float. The pin is a copy, so a
// GetPin made during the host call cannot redirect it. The buffer starts cleared so that a host
// that writes nothing leaves 0, not an indeterminate value.
float QVGuiPin::GetValueFloat() const {
    const QVGuiPin pin = *this;
    unsigned char buffer[4] = {};
    pin.m_owner->CallHost(GUIHOST_OP_READ_PIN_VALUE, pin.m_index, 0, buffer, 0.0f);
    float value;
    std::memcpy(&value, buffer, sizeof value);
    return value;
}

void QVGuiPin::SetValueFloat(float f) const {
    const QVGuiPin pin = *this;
    pin.m_owner->CallHost(GUIHOST_OP_WRITE_PIN_VALUE, pin.m_index, 0, nullptr, f);
}

void QVGuiPin::SetValuePtr(void* p) const {
    const QVGuiPin pin = *this;
    pin.m_owner->CallHost(GUIHOST_OP_WRITE_PIN_PTR, pin.m_index, 0, p, 0.0f);
}

std::string QVGuiPin::GetValueText() const {
    const QVGuiPin pin = *this;
    const QVWord address =
        pin.m_owner->CallHost(GUIHOST_OP_READ_PIN_TEXT, pin.m_index, 0, nullptr, 0.0f);
    // The host keeps the text; a host that has none and answers null gets an empty copy.
    if (address == 0) return std::string();
    return std::string(reinterpret_cast<const char*>(address));
}

std::u16string QVGuiPin::GetValueWideText() const {
    // Both calls go to the same pin: a GetPin from inside the first call must not send the
    // second one, with the first pin's length, to another pin.
    const QVGuiPin pin = *this;
    // The answer is a 32-bit count of units, the terminating zero included.
    const int32_t units = static_cast<int32_t>(
        pin.m_owner->CallHost(GUIHOST_OP_READ_PIN_WIDE_TEXT, pin.m_index, 0, nullptr, 0.0f));
    if (units < 1) return std::u16string();
    std::vector<char16_t> buffer(static_cast<size_t>(units), u'\0');
    pin.m_owner->CallHost(GUIHOST_OP_READ_PIN_WIDE_TEXT, pin.m_index, units, buffer.data(), 0.0f);
    // The text ends at the first zero unit, or at the buffer's end if the host wrote none.
    size_t length = 0;
    while (length < buffer.size() && buffer[length] != u'\0') ++length;
    return std::u16string(buffer.data(), length);
}
