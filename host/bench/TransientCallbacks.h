// Host callbacks for objects that are made and closed at once beside a host's own objects of the
// same module, as when the cost of an object's life is measured. Each answers through the
// ReferenceHost whose handle the calling record holds, as if that host's own object of the same
// side had called, so the transient object sees the same pins, clock and answers.
#ifndef QVHOST_TRANSIENT_CALLBACKS_H
#define QVHOST_TRANSIENT_CALLBACKS_H

#include <cstdint>

#include "QVHostTypes.h"

class TransientCallbacks {
public:
    static QVWord QV_CDECL Audio(void* record, int32_t opcode, int32_t index, int32_t value,
                                 void* ptr, float opt) noexcept;
    static QVWord QV_CDECL Gui(void* record, int32_t opcode, int32_t index, int32_t value,
                               void* ptr, float opt) noexcept;
};

#endif
