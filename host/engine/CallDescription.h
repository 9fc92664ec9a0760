// One call between the host and a module object in the words of the validator's trace and its
// findings: "host -> process offset 0 frames 64", "module -> audio host HOST_OP_ADD_EVENT ...".
#ifndef QVHOST_CALL_DESCRIPTION_H
#define QVHOST_CALL_DESCRIPTION_H

#include <string>

#include "CallObserver.h"

// Whether the call goes from the module to the host (a host callback).
bool IsCallToHost(CallEntry entry);
std::string DescribeCall(const CrossingCall& call);

#endif
