// Sees every call that crosses between the host and a module object, both ways, while one is
// installed: the validator's trace and its allocation count hang on it. With none installed a
// crossing costs one test of a null pointer.
#ifndef QVHOST_CALL_OBSERVER_H
#define QVHOST_CALL_OBSERVER_H

#include <cstdint>

#include "QVHostTypes.h"

// Which entry a call goes through: the host calling an object, or an object calling the host.
enum class CallEntry {
    kFactory,  // makeModule; opcode = the kind
    kAudioDispatcher,
    kProcess,
    kEventHandler,
    kGuiDispatcher,
    kAudioHostCallback,
    kGuiHostCallback,
    kHostAction,  // the host's own doing, such as a user's pin change: no call into the module
    // Loading the library (opcode 1) or unloading it (0), which runs its initialisers or
    // finalisers: the module's code, though no call of the interface.
    kLibraryLoad
};

struct CrossingCall {
    CallEntry entry;
    int32_t opcode;  // the frame count for kProcess, the event type for kEventHandler
    int32_t index;   // the offset for kProcess, the time stamp for kEventHandler
    int32_t value;
    const void* ptr;
    float opt;
    // What the host adds for a reader of the trace, such as a pin's name and new value.
    const char* note = nullptr;
};

class CallObserver {
public:
    virtual ~CallObserver() = default;
    virtual void Enter(const CrossingCall& call) = 0;
    // The answer of the call last entered; 0 for entries that answer nothing.
    virtual void Leave(const CrossingCall& call, QVWord answer) = 0;

    // One observer for the whole process, or null.
    static void Install(CallObserver* observer);
    static CallObserver* Installed() { return s_installed; }

private:
    static CallObserver* s_installed;
};

// Tells the installed observer of one call for as long as it lives.
class ObservedCall {
public:
    explicit ObservedCall(const CrossingCall& call) : m_call(call) {
        if (CallObserver* observer = CallObserver::Installed()) observer->Enter(m_call);
    }
    ~ObservedCall() {
        if (CallObserver* observer = CallObserver::Installed()) observer->Leave(m_call, m_answer);
    }
    ObservedCall(const ObservedCall&) = delete;
    ObservedCall& operator=(const ObservedCall&) = delete;

    QVWord Answer(QVWord answer) {
        m_answer = answer;
        return answer;
    }

private:
    CrossingCall m_call;
    QVWord m_answer = 0;
};

#endif
