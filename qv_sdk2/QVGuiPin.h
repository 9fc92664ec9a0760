// A GUI pin handle: a pin's position in the module's pin table and the object that owns it. A plain
// value: the dispatcher builds one per pin-change call; GetPin hands out the library's shared one.
#ifndef QVGUI_PIN_H
#define QVGUI_PIN_H

#include <cstdint>
#include <string>

class QVGUI_base;

class QVGuiPin {
public:
    // Each operation takes the index and owner before it calls the host, so a GetPin made from
    // inside that host call (a nested dispatch) cannot redirect it.
    // GetValueInt and SetValueInt are defined inline in QVGUI_base.h, included below.
    inline int32_t GetValueInt() const;
    float GetValueFloat() const;
    inline void SetValueInt(int32_t v) const;
    void SetValueFloat(float f) const;
    void SetValuePtr(void* p) const;
    std::string GetValueText() const;
    std::u16string GetValueWideText() const;

    // Typed by the pin's datatype. The host reads and writes four bytes for every pin: an integer
    // (an enumeration's value, a boolean's 0 or 1) through `value`, a float through `opt`.
    bool GetBool() const { return GetValueInt() != 0; }
    int32_t GetInt() const { return GetValueInt(); }
    int16_t GetEnum() const { return static_cast<int16_t>(GetValueInt()); }
    float GetFloat() const { return GetValueFloat(); }
    void SetBool(bool value) const { SetValueInt(value ? 1 : 0); }
    void SetInt(int32_t value) const { SetValueInt(value); }
    void SetEnum(int16_t value) const { SetValueInt(value); }
    void SetFloat(float value) const { SetValueFloat(value); }

    int32_t m_index;
    QVGUI_base* m_owner;
};

#include "QVGUI_base.h"

#endif
