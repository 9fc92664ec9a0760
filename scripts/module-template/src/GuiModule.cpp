#include "GuiModule.h"

#include "QVGuiPin.h"

GuiModule::GuiModule(HostCallback callback, uint32_t host_handle) : QVGUI_base(callback, host_handle) {}

void GuiModule::Initialise(bool) { WriteOut(); }

// The host also reports our own write to Out, from inside that write: only In is acted on.
void GuiModule::OnPinChanged(QVGuiPin& pin) {
    if (pin.m_index == PIN_IN) WriteOut();
}

// GetPin hands out one shared handle, re-aimed by every call: read In before aiming at Out.
void GuiModule::WriteOut() {
    const float in = GetPin(PIN_IN)->GetValueFloat();
    GetPin(PIN_OUT)->SetValueFloat(in * 2.0f);
}
