// One pin as the audio object describes it (MOD_OP_GET_PIN_PROPERTIES), with its texts copied.
// Both sides of the module address pins by their position in the table of these.
#ifndef QVHOST_PIN_DESCRIPTION_H
#define QVHOST_PIN_DESCRIPTION_H

#include "QVHostTypes.h"

#include <cstdint>
#include <string>

struct PinDescription {
    std::string name;
    int32_t direction = DR_IN;
    int32_t datatype = DT_INT;
    std::string datatype_extra;
    uint32_t flags = 0;
    // The module's own variable for the pin's value, or null: the host writes a value there.
    void* variable_address = nullptr;

    // Whether the pin holds one value a host can set: an enumeration, a boolean, an integer or a
    // float, not samples and not a datatype of the host's own.
    bool HoldsValue() const {
        return datatype == DT_ENUM || datatype == DT_BOOL || datatype == DT_INT ||
               datatype == DT_FLOAT;
    }
    // A user-interface pin lives on the GUI side only, unless it asks for an audio pin as well.
    bool CreatesAudioPin() const {
        return (flags & IO_UI_COMMUNICATION) == 0 || (flags & IO_UI_AND_AUDIO) != 0;
    }
};

#endif
