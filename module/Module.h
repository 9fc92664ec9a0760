// The audio side of the random pair generator. It describes the module's six pins to the host,
// which uses the table for both sides, and installs a process function that does no audio work:
// the numbers are drawn on the GUI side.
#ifndef MODULE_H
#define MODULE_H

#include "QVModule_base.h"

#include <cstdint>

class Module : public QVModule_base {
public:
    Module(HostCallback host_callback, uint32_t host_handle);

    // Installs the idle process function, then builds the pins (none here: every pin is a
    // user-interface pin).
    void Open() override;
    bool GetPinProperties(int32_t index, QVPinProperties* props) override;

    // Tells the host there is nothing to process; the host's arguments are not read.
    void QV_CDECL ProcessIdle(int32_t buffer_offset, int32_t sample_frames);
};

#endif
