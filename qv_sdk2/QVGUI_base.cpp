#include "QVGUI_base.h"

#include "QVContract.h"

#include <cstring>

namespace {
constexpr uint32_t kLastGuiOpcode = GUI_OP_INDEX2;

// The host's call an exception escaped from, as the report names it.
const char* GuiEntryName(int32_t opcode) {
    switch (opcode) {
    case GUI_OP_INITIALISE:
        return "GUI_OP_INITIALISE";
    case GUI_OP_CLOSE:
        return "GUI_OP_CLOSE";
    case GUI_OP_PIN_CHANGED:
        return "GUI_OP_PIN_CHANGED";
    case GUI_OP_QUERY:
        return "GUI_OP_QUERY";
    default:
        return "the GUI dispatcher";
    }
}
}  // namespace

QVGuiPin QVGUI_base::s_shared_pin{0, nullptr};

QVGUI_base::QVGUI_base(HostCallback callback, uint32_t host_handle)
    : qvaudioMaster(callback), m_entries_from_host(0), m_closed(false) {
    std::memset(&m_record, 0, sizeof m_record);
    m_record.magic = QV_GUI_MAGIC;
    m_record.dispatcher = &QVGUI_base::DispatcherEntry;
    m_record.object = this;
    m_record.version = 1;
    m_record.host_handle = host_handle;
}

QVGUI_base::~QVGUI_base() = default;

int32_t QVGUI_base::Dispatcher(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
    // The notification a host sends most, ahead of the table's jump. Kept this short so that the
    // entry below can take it in directly when the object has not replaced the dispatcher.
    if (opcode == GUI_OP_PIN_CHANGED) {
        // A handle of this call's own, not the shared one: the hook may call GetPin freely.
        QVGuiPin pin{index, this};
        OnPinChanged(pin);
        return 0;
    }
    return DispatchOther(opcode, index, value, ptr, opt);
}

int32_t QV_CDECL QVGUI_base::DispatcherEntry(GuiHostRecord* record, int32_t opcode, int32_t index,
                                             int32_t value, void* ptr, float opt) noexcept {
    QVGUI_base* object = static_cast<QVGUI_base*>(record->object);
    ++object->m_entries_from_host;
    int32_t answer = 0;
    try {
        answer = object->Dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        QVReportCaughtException(GuiEntryName(opcode));
    }
    // A close that arrived from inside one of the object's own host calls left the object to the
    // outermost entry: the frames above it were still using the object.
    if (--object->m_entries_from_host == 0 && object->m_closed) delete object;
    return answer;
}

int32_t QVGUI_base::DispatchOther(int32_t opcode, int32_t index, int32_t value, void* ptr,
                                  float opt) {
    // Compared unsigned, so every negative opcode is out of range too.
    if (static_cast<uint32_t>(opcode) > kLastGuiOpcode) return 0;
    switch (opcode) {
    case GUI_OP_INITIALISE:
        Initialise(index == 1);
        break;
    case GUI_OP_CLOSE:
        // The object goes whatever Close does: the host never uses the record again, so an
        // object left behind by a failing Close could never be freed. A closed object calls the
        // host no more, and the dispatcher entry deletes it once the outermost call from the
        // host returns.
        try {
            Close();
        } catch (...) {
            QVReportCaughtException("GUI_OP_CLOSE");
        }
        m_closed = true;
        return 1;
    case GUI_OP_INDEX_PTR:
        OnIndexPtr(index, ptr);
        break;
    case GUI_OP_PAIR1: {
        IntPair pair{index, value};
        OnPair1(ptr, opt, pair);
        break;
    }
    case GUI_OP_PAIR2: {
        IntPair pair{index, value};
        OnPair2(ptr, opt, pair);
        break;
    }
    case GUI_OP_PAIR3: {
        IntPair pair{index, value};
        OnPair3(ptr, opt, pair);
        break;
    }
    case GUI_OP_VALUE_INDEX_PTR:
        OnValueIndexPtr(value, index, ptr);
        break;
    case GUI_OP_PTR1:
        OnPtr1(ptr);
        break;
    case GUI_OP_PTR2:
        OnPtr2(ptr);
        break;
    case GUI_OP_QUERY:
        return Query() ? 1 : 0;
    case GUI_OP_INDEX1:
        OnIndex1(index);
        break;
    case GUI_OP_INDEX2:
        OnIndex2(index);
        break;
    }
    return 0;
}

void QVGUI_base::Initialise(bool) {}
void QVGUI_base::Close() {}
void QVGUI_base::OnIndexPtr(int32_t, void*) {}
void QVGUI_base::OnPair1(void*, float, IntPair&) {}
void QVGUI_base::OnPair2(void*, float, IntPair&) {}
void QVGUI_base::OnPair3(void*, float, IntPair&) {}
void QVGUI_base::OnPtr1(void*) {}
void QVGUI_base::OnPtr2(void*) {}
bool QVGUI_base::Query() { return false; }
void QVGUI_base::OnIndex1(int32_t) {}
void QVGUI_base::OnIndex2(int32_t) {}
void QVGUI_base::OnValueIndexPtr(int32_t, int32_t, void*) {}
// Out of line, so that the dispatcher does not guess this empty default as the likely hook and
// test for it on every notification: a module that cares about notifications replaces it.
__attribute__((noinline)) void QVGUI_base::OnPinChanged(QVGuiPin&) {}

QVWord QVGUI_base::HostCall8(int32_t index, int32_t value, void* ptr) {
    return CallHost(GUIHOST_OP_CALL8, index, value, ptr, 0.0f);
}

QVWord QVGUI_base::HostCall18(void* arg) { return CallHost(GUIHOST_OP_CALL18, 0, 0, arg, 0.0f); }

QVWord QVGUI_base::HostCall19(void* arg) { return CallHost(GUIHOST_OP_CALL19, 0, 0, arg, 0.0f); }

bool QVGUI_base::HostQuery20(void* arg) {
    return CallHost(GUIHOST_OP_QUERY20, 0, 0, arg, 0.0f) != 0;
}
