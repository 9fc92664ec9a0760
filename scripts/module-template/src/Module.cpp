#include "Module.h"

#include "GuiModule.h"

Module::Module(HostCallback host_callback, uint32_t host_handle)
    : QVModule_base(host_callback, host_handle) {}

void Module::Open() {
    SetProcessFunction(&Module::ProcessIdle);
    // Builds the audio-side pins from GetPinProperties; user-interface pins get none.
    QVModule_base::Open();
}

// Both sides address a pin by its index in this table.
bool Module::GetPinProperties(int32_t index, QVPinProperties* props) {
    switch (index) {
    case GuiModule::PIN_IN:
        props->name = "In";
        props->direction = DR_IN;
        break;
    case GuiModule::PIN_OUT:
        props->name = "Out";
        props->direction = DR_OUT;
        break;
    default:
        return false;
    }
    props->datatype = DT_FLOAT;
    props->flags = IO_UI_COMMUNICATION;
    return true;
}

void QV_CDECL Module::ProcessIdle(int32_t, int32_t) { CallHost(HOST_OP_SLEEP, 0, 0, nullptr, 0.0f); }
