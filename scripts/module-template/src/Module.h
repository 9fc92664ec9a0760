// The audio side: describes the module's pins to the host and installs a process function. This
// module does its work on the GUI side, so the process function only tells the host so.
#ifndef MODULE_H
#define MODULE_H

#include "QVModule_base.h"

#include <cstdint>

class Module : public QVModule_base {
public:
    Module(HostCallback host_callback, uint32_t host_handle);

    void Open() override;
    bool GetPinProperties(int32_t index, QVPinProperties* props) override;

    // The host calls a process function as a plain cdecl function with the object first.
    void QV_CDECL ProcessIdle(int32_t buffer_offset, int32_t sample_frames);
};

#endif
