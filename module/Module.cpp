#include "Module.h"

#include <iterator>

namespace {

struct PinRow {
    const char* name;
    int32_t direction;
    int32_t datatype;
    const char* datatype_extra;  // written only where not null
};

// The GUI side addresses these pins by their position here.
const PinRow kPinTable[] = {
    {"Modes", DR_IN, DT_ENUM, "Normal,Differ,Sum"},
    {"Trigger", DR_IN, DT_BOOL, nullptr},
    {"Lolimit", DR_IN, DT_INT, nullptr},
    {"Hilimit", DR_IN, DT_INT, nullptr},
    {"Out1", DR_OUT, DT_INT, nullptr},
    {"Out2", DR_OUT, DT_INT, nullptr},
};

}  // namespace

Module::Module(HostCallback host_callback, uint32_t host_handle)
    : QVModule_base(host_callback, host_handle) {}

void Module::Open() {
    SetProcessFunction(&Module::ProcessIdle);
    QVModule_base::Open();
}

// Writes only the fields of the row: the caller's variable_address, aux_text and spare stay.
bool Module::GetPinProperties(int32_t index, QVPinProperties* props) {
    if (index < 0 || index >= static_cast<int32_t>(std::size(kPinTable))) return false;
    const PinRow& row = kPinTable[index];
    props->name = row.name;
    props->direction = row.direction;
    props->datatype = row.datatype;
    if (row.datatype_extra != nullptr) props->datatype_extra = row.datatype_extra;
    props->flags = IO_UI_COMMUNICATION;
    return true;
}

void QV_CDECL Module::ProcessIdle(int32_t, int32_t) { CallHost(HOST_OP_SLEEP, 0, 0, nullptr, 0.0f); }
