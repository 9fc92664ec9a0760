// The base class of every GUI-side module object. The host holds only the address of the record
// embedded here; it calls DispatcherEntry with that address, which routes each opcode to one
// virtual hook. A module overrides the hooks it needs; every default does nothing.
#ifndef QVGUI_BASE_H
#define QVGUI_BASE_H

#include "QVContract.h"
#include "QVGuiPin.h"
#include "QVHostTypes.h"

#include <cstdint>

// Two integers the dispatcher hands to the pair hooks, built afresh for each call.
struct IntPair {
    int32_t first;
    int32_t second;
};

class QVGUI_base {
public:
    // Does not call the host: the callback may be used only once the object is in place.
    QVGUI_base(HostCallback callback, uint32_t host_handle);
    virtual ~QVGUI_base();
    QVGUI_base(const QVGUI_base&) = delete;
    QVGUI_base& operator=(const QVGUI_base&) = delete;

    // Reached through DispatcherEntry, which deletes the object once GUI_OP_CLOSE has run and the
    // outermost call from the host returns.
    virtual int32_t Dispatcher(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
    virtual void Initialise(bool flag);
    virtual void Close();
    virtual void OnIndexPtr(int32_t index, void* ptr);
    virtual void OnPair1(void* ptr, float opt, IntPair& pair);
    virtual void OnPair2(void* ptr, float opt, IntPair& pair);
    virtual void OnPair3(void* ptr, float opt, IntPair& pair);
    virtual void OnPtr1(void* ptr);
    virtual void OnPtr2(void* ptr);
    virtual bool Query();
    virtual void OnIndex1(int32_t index);
    virtual void OnIndex2(int32_t index);
    virtual void OnValueIndexPtr(int32_t value, int32_t index, void* ptr);
    virtual void OnPinChanged(QVGuiPin& pin);

    // The function the record names as its dispatcher. No exception leaves it: the host is plain C.
    static int32_t QV_CDECL DispatcherEntry(GuiHostRecord* record, int32_t opcode, int32_t index,
                                            int32_t value, void* ptr, float opt) noexcept;

    // The address makeModule hands to the host; valid until GUI_OP_CLOSE.
    GuiHostRecord* HostRecord() { return &m_record; }

    // Calls the host as this object. The answer is a word: an address for GUIHOST_OP_READ_PIN_TEXT.
    // Inline, like GetPin and the pin's value operations: a trigger makes six host calls, and
    // calls between the module and the host's callback would cost as much as the work itself.
    // A closed object, still on its way out of a nested call, answers 0 and calls nothing.
    QVWord CallHost(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
        if (m_closed) return 0;
        const HostCallback callback = qvaudioMaster;
        // Only a host that passed a null callback to makeModule gets here without one.
        QV_REQUIRE_TEXT(callback, "qvaudioMaster", QVGUI_base, 134);
        const QVWord answer = callback(&m_record, opcode, index, value, ptr, opt);
        // The member is const, so the callback is the same after the call. Said here, so that a
        // run of host calls loads and checks it once rather than once per call.
        if (qvaudioMaster != callback) __builtin_unreachable();
        return answer;
    }
    // A handle of pin `index` of this object, by value: it stays aimed where it was made, however
    // many other handles are made meanwhile.
    QVGuiPin Pin(int32_t index) { return QVGuiPin{index, this}; }
    // The library's one shared handle, aimed at pin `index` of this object. Good only until the
    // next GetPin anywhere in the library: use it at once, keep no copy of the pointer.
    QVGuiPin* GetPin(int32_t index) {
        s_shared_pin.m_index = index;
        s_shared_pin.m_owner = this;
        return &s_shared_pin;
    }
    QVWord HostCall8(int32_t index, int32_t value, void* ptr);
    QVWord HostCall18(void* arg);
    QVWord HostCall19(void* arg);
    bool HostQuery20(void* arg);

protected:
    // Set by the constructor and never changed (const, so no module can): CallHost relies on that.
    const HostCallback qvaudioMaster;
    GuiHostRecord m_record;

private:
    // Every opcode but GUI_OP_PIN_CHANGED, which Dispatcher serves itself.
    int32_t DispatchOther(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);

    // The one handle GetPin hands out, shared by every GUI object of the library.
    static QVGuiPin s_shared_pin;

    // Calls from the host through DispatcherEntry not yet returned.
    int32_t m_entries_from_host;
    // Set by GUI_OP_CLOSE; the object is deleted once no entry call is left.
    bool m_closed;
};

// The pin operations a module calls on every notification. Each takes the index and owner before
// it calls the host, so a GetPin made from inside that call cannot redirect it.
inline int32_t QVGuiPin::GetValueInt() const {
    const QVGuiPin pin = *this;
    // Cleared, so that a host that writes nothing leaves 0, not an indeterminate value.
    int32_t value = 0;
    pin.m_owner->CallHost(GUIHOST_OP_READ_PIN_VALUE, pin.m_index, 0, &value, 0.0f);
    return value;
}

inline void QVGuiPin::SetValueInt(int32_t v) const {
    const QVGuiPin pin = *this;
    pin.m_owner->CallHost(GUIHOST_OP_WRITE_PIN_VALUE, pin.m_index, v, nullptr, 0.0f);
}

#endif
