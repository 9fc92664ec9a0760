// Checks a record that a module hands out before the host trusts it: a host that called through a
// broken record would crash inside the module instead of saying what is wrong.
#ifndef QVHOST_RECORD_VALIDATOR_H
#define QVHOST_RECORD_VALIDATOR_H

#include "HostError.h"
#include "QVHostTypes.h"

class RecordValidator {
public:
    // A record the host will not use; nothing of the object can be driven without one.
    class Refused : public HostError {
    public:
        using HostError::HostError;
    };

    // The record as the host will use it. Throws Refused naming the fault: a null record, a
    // wrong magic or version, a null back pointer or a null dispatcher.
    static AudioHostRecord* CheckAudio(void* record);
    static GuiHostRecord* CheckGui(void* record);
};

#endif
