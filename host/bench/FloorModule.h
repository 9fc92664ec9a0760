// The host's own floor for the calls it makes into a module: objects of the host's making whose
// records have the shape of a module's, and whose entries do nothing but call the host's callback
// once. What a module's call costs beyond that is the module's.
//
// Each floor object calls the callback as `answer_as`, a record the host holds, so that the host
// answers exactly as it answers the module; without one it calls as its own record.
#ifndef QVHOST_FLOOR_MODULE_H
#define QVHOST_FLOOR_MODULE_H

#include <cstdint>

#include "QVHostTypes.h"

class FloorModule {
public:
    // makeModule's shape for the two kinds; null for any other kind. The object lives until its
    // dispatcher gets the close opcode.
    //   audio record: any opcode but MOD_OP_CLOSE asks HOST_OP_PIN_COUNT, as an open does;
    //                 process sends HOST_OP_SLEEP; events are taken and dropped.
    //   GUI record:   any opcode but GUI_OP_CLOSE reads the pin named by `index` once.
    static void* Make(int32_t kind, HostCallback callback, uint32_t host_handle, void* answer_as);
};

#endif
