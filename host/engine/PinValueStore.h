// The GUI-side pin values the host keeps for one module: one value per pin of the module's pin
// table, typed by the pin's datatype. Float pins hold a float; integer, enumeration and boolean
// pins hold a 32-bit integer (a boolean as 0 or 1). Texts are the values as a user reads them.
#ifndef QVHOST_PIN_VALUE_STORE_H
#define QVHOST_PIN_VALUE_STORE_H

#include "EnumList.h"
#include "PinDescription.h"

#include <cstdint>
#include <string>
#include <vector>

class PinValueStore {
public:
    PinValueStore() = default;
    explicit PinValueStore(const std::vector<PinDescription>& pins);

    int32_t Count() const { return static_cast<int32_t>(m_values.size()); }
    bool Contains(int32_t index) const { return index >= 0 && index < Count(); }

    // The 4 bytes a GUIHOST_OP_READ_PIN_VALUE hands out: a float for a float pin, else an int32.
    void ReadInto(int32_t index, void* buffer) const;
    // A GUIHOST_OP_WRITE_PIN_VALUE: a float pin takes `opt`, every other pin `value`. True when
    // the stored value changed, which is when the host tells the GUI object.
    bool Write(int32_t index, int32_t value, float opt);

    int32_t IntValue(int32_t index) const;
    float FloatValue(int32_t index) const;
    int32_t Datatype(int32_t index) const { return m_values.at(static_cast<size_t>(index)).datatype; }
    const std::string& Name(int32_t index) const { return m_values.at(static_cast<size_t>(index)).name; }

    // The value as text: an enumeration pin shows its choice's name. The pointer stays valid
    // until the next Text call for the same pin.
    const char* Text(int32_t index);
    // The same text as a copy, leaving the pointer Text handed out untouched.
    std::string ValueText(int32_t index) const { return FormatText(m_values.at(static_cast<size_t>(index))); }
    std::u16string WideText(int32_t index) const;

private:
    struct Value {
        std::string name;
        int32_t datatype;
        int32_t int_value;
        float float_value;
        EnumList choices;
        std::string text;
    };

    std::string FormatText(const Value& value) const;

    std::vector<Value> m_values;
};

#endif
