#include "GuiModule.h"

#include "QVGuiPin.h"
#include "QVReentryGuard.h"

GuiModule::GuiModule(HostCallback callback, uint32_t host_handle) : QVGUI_base(callback, host_handle) {}

void GuiModule::Initialise(bool) { WriteOut(); }

// The host also reports our own write to Out, from inside that write, and a host that reports
// every write does so even when Out did not change: the guard turns those away.
void GuiModule::OnPinChanged(QVGuiPin& pin) {
    const QVReentryGuard guard(m_busy);
    if (guard.Nested()) return;
    if (pin.m_index == PIN_IN) WriteOut();
}

// Pin() hands out a handle of its own, by value, typed by the pin's datatype.
void GuiModule::WriteOut() { Pin(PIN_OUT).SetFloat(Pin(PIN_IN).GetFloat() * 2.0f); }
