// The GUI side: writes twice the value of In to Out, when the object starts and whenever the host
// reports that In changed.
#ifndef GUI_MODULE_H
#define GUI_MODULE_H

#include "QVGUI_base.h"

#include <cstdint>

class GuiModule : public QVGUI_base {
public:
    enum : int32_t { PIN_IN = 0, PIN_OUT = 1 };

    GuiModule(HostCallback callback, uint32_t host_handle);

    void Initialise(bool flag) override;
    void OnPinChanged(QVGuiPin& pin) override;

private:
    void WriteOut();

    bool m_busy = false;  // set while a notification is handled
};

#endif
