#include "QVModule_base.h"

#include "QVContract.h"
#include "QVPin.h"

#include <cstring>

namespace {
// A pointer to member function as the compiler lays it out: the function word (an odd word
// selects the virtual function at byte offset word - 1 of the virtual table), then the
// this-adjustment. Read from real member pointers; only an EVENT_CALL_MEMBER call is rebuilt,
// from the function word that travelled and an adjustment of 0, and called through the compiler.
struct MemberPointerWords {
    uintptr_t function;
    intptr_t adjustment;
};

template <typename MemberPointer>
MemberPointerWords WordsOf(MemberPointer fn) {
    static_assert(sizeof(MemberPointer) == sizeof(MemberPointerWords),
                  "member pointers are a function word and an adjustment word");
    MemberPointerWords words;
    std::memcpy(&words, &fn, sizeof words);
    return words;
}

ProcessFn ProcessEntryOf(QVModule_base::ProcessFunction fn) {
    return reinterpret_cast<ProcessFn>(WordsOf(fn).function);
}

// The member that an EVENT_CALL_MEMBER event names: its function word with no adjustment.
QVModule_base::MemberCall MemberCallOf(uintptr_t function_word) {
    const MemberPointerWords words{function_word, 0};
    QVModule_base::MemberCall call;
    std::memcpy(&call, &words, sizeof call);
    return call;
}

bool CreatesPin(const QVPinProperties& props) {
    return (props.flags & IO_UI_COMMUNICATION) == 0 || (props.flags & IO_UI_AND_AUDIO) != 0;
}

// An input pin whose value is stored with the patch must be private or a user-interface pin.
void CheckPatchStore(const QVPinProperties* props) {
    QV_REQUIRE_TEXT((props->flags & IO_PATCH_STORE) == 0 || (props->flags & IO_PRIVATE) != 0 ||
                        props->direction == DR_OUT || (props->flags & IO_UI_COMMUNICATION) != 0,
                    "(((QVPinProperties*)ptr)->flags & IO_PATCH_STORE) == 0 || "
                    "(((QVPinProperties*)ptr)->flags & IO_PRIVATE) != 0 || "
                    "((QVPinProperties*)ptr)->direction == DR_OUT || "
                    "( ( (QVPinProperties*)ptr)->flags & IO_UI_COMMUNICATION) != 0",
                    QVModule_base, 80);
}

// The host's call an exception escaped from, as the report names it.
const char* AudioEntryName(int32_t opcode) {
    switch (opcode) {
    case MOD_OP_OPEN:
        return "MOD_OP_OPEN";
    case MOD_OP_CLOSE:
        return "MOD_OP_CLOSE";
    case MOD_OP_SAMPLE_RATE:
        return "MOD_OP_SAMPLE_RATE";
    case MOD_OP_BLOCK_SIZE:
        return "MOD_OP_BLOCK_SIZE";
    case MOD_OP_GET_PIN_PROPERTIES:
        return "MOD_OP_GET_PIN_PROPERTIES";
    case MOD_OP_NOTIFY:
        return "MOD_OP_NOTIFY";
    case MOD_OP_MESSAGE:
        return "MOD_OP_MESSAGE";
    case MOD_OP_GET_PROCESS_FUNCTION:
        return "MOD_OP_GET_PROCESS_FUNCTION";
    default:
        return "the audio dispatcher";
    }
}

// The one reply of MOD_OP_GET_PROCESS_FUNCTION for the whole library: the host reads it before
// it asks any object again.
ProcessFunctionReply g_process_function_reply;
}  // namespace

QVModule_base::QVModule_base(HostCallback host_callback, uint32_t host_handle)
    : m_host_callback(host_callback),
      m_record(),
      m_sample_rate(44100.0f),
      m_block_size(1024),
      m_pins(nullptr),
      m_process_function(&QVModule_base::EmptyProcess),
      m_entries_from_host(0),
      m_closed(false) {
    m_record.magic = QV_AUDIO_MAGIC;
    m_record.version = 1;
    m_record.host_handle = host_handle;
    m_record.object = this;
    m_record.dispatcher = &QVModule_base::DispatcherEntry;
    m_record.process = ProcessEntryOf(m_process_function);
    m_record.event_handler = &QVModule_base::EventEntry;
}

QVModule_base::~QVModule_base() { QVPin::DestroyArray(m_pins); }

QVWord QV_CDECL QVModule_base::DispatcherEntry(AudioHostRecord* record, int32_t opcode,
                                               int32_t index, int32_t value, void* ptr,
                                               float opt) noexcept {
    QVModule_base* object = static_cast<QVModule_base*>(record->object);
    object->EnterFromHost();
    QVWord answer = 0;
    try {
        answer = object->Dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        QVReportCaughtException(AudioEntryName(opcode));
    }
    object->LeaveToHost();
    return answer;
}

void QV_CDECL QVModule_base::EventEntry(void* object, TimedEvent* event) noexcept {
    // A host that hands over no event has nothing to deliver, as a null pin record describes nothing.
    if (event == nullptr) return;
    QVModule_base* module = static_cast<QVModule_base*>(object);
    module->EnterFromHost();
    try {
        module->HandleEvent(event);
    } catch (...) {
        QVReportCaughtException("the event entry");
    }
    module->LeaveToHost();
}

void QVModule_base::LeaveToHost() {
    // A close that arrived from inside one of this object's own host calls left the object to the
    // outermost entry: the frames above it were still using the object.
    if (--m_entries_from_host == 0 && m_closed) delete this;
}

QVWord QVModule_base::Dispatcher(int32_t opcode, int32_t index, int32_t value, void* ptr,
                                 float opt) {
    switch (static_cast<uint32_t>(opcode)) {
    case MOD_OP_OPEN:
        Open();
        return 0;
    case MOD_OP_CLOSE:
        // The object goes whatever Close does: the host never uses the record again. A closed
        // object calls the host no more, and the dispatcher entry deletes it once the outermost
        // call from the host returns.
        try {
            Close();
        } catch (...) {
            QVReportCaughtException("MOD_OP_CLOSE");
        }
        m_host_callback = nullptr;
        m_closed = true;
        return 1;
    case MOD_OP_SAMPLE_RATE:
        SetSampleRate(opt);
        return 0;
    case MOD_OP_BLOCK_SIZE:
        SetBlockSize(value);
        return 0;
    case MOD_OP_GET_PIN_PROPERTIES: {
        // A host that passes no record gets no description, rather than a write through null.
        if (ptr == nullptr) return 0;
        QVPinProperties* props = static_cast<QVPinProperties*>(ptr);
        const bool described = GetPinProperties(index, props);
        CheckPatchStore(props);
        return described ? 1 : 0;
    }
    case MOD_OP_FORBIDDEN_7:
        QV_REQUIRE(false, QVModule_base, 99);
    case MOD_OP_NOTIFY:
        OnNotify();
        if (index > 0) OnNotifyIndex(index);
        return 0;
    case MOD_OP_FORBIDDEN_10:
        QV_REQUIRE(false, QVModule_base, 119);
    case MOD_OP_MESSAGE:
        OnMessage(value, index, ptr);
        return 0;
    case MOD_OP_GET_PROCESS_FUNCTION:
        g_process_function_reply.count = 1;
        g_process_function_reply.size = static_cast<int32_t>(sizeof m_process_function);
        g_process_function_reply.member_function = &m_process_function;
        g_process_function_reply.tag = 1002;
        return reinterpret_cast<QVWord>(&g_process_function_reply);
    default:
        return 0;
    }
}

void QVModule_base::OnPinStatusChange(QVPin*) {}

void QVModule_base::Open() {
    const int32_t count = static_cast<int32_t>(CallHost(HOST_OP_PIN_COUNT, 0, 0, nullptr, 0.0f));
    if (count > 0) {
        // A repeated open replaces the pins rather than leaking the first array.
        QVPin::DestroyArray(m_pins);
        m_pins = nullptr;
        m_pins = QVPin::CreateArray(count);
    }
    QVPinProperties props;
    int32_t pin = 0;
    int32_t description = 0;
    while (description < INT32_MAX && GetPinPropertiesClean(description, &props) && pin < count) {
        if (CreatesPin(props)) {
            m_pins[pin].Init(this, pin, props.datatype, props.variable_address);
            ++pin;
        }
        ++description;
    }
    if (description == 0) return;
    // Surplus host pins repeat the last description examined, each with storage of its own.
    GetPinPropertiesClean(description - 1, &props);
    if (!CreatesPin(props) || (props.flags & IO_REPEAT_LAST) == 0) return;
    for (; pin < count; ++pin) m_pins[pin].Init(this, pin, props.datatype, nullptr);
}

void QVModule_base::Close() {}

void QVModule_base::SpareHook() {}

void QVModule_base::SetSampleRate(float rate) { m_sample_rate = rate; }

void QVModule_base::SetBlockSize(int32_t size) { m_block_size = size; }

float QVModule_base::GetSampleRate() { return m_sample_rate; }

int32_t QVModule_base::GetBlockSize() { return m_block_size; }

bool QVModule_base::GetPinProperties(int32_t, QVPinProperties*) { return false; }

int32_t QVModule_base::SpareQuery1() { return 0; }

int32_t QVModule_base::SpareQuery2() { return 0; }

void QVModule_base::OnNotify() {}

void QVModule_base::OnNotifyIndex(int32_t) {}

void QVModule_base::OnTimedValue(uint32_t, int32_t, int16_t) {}

void QVModule_base::OnMessage(int32_t, int32_t, void*) {}

void QVModule_base::SetProcessFunction(ProcessFunction fn) {
    const MemberPointerWords next = WordsOf(fn);
    // A null entry would leave the host nothing to call: a module that has no work installs
    // EmptyProcess.
    QV_REQUIRE_TEXT(next.function != 0, "fn != nullptr", QVModule_base, 179);
    // The host calls the function word with the object's own address: an adjustment would be lost.
    QV_REQUIRE_TEXT(next.adjustment == 0, "process function needs no this-adjustment",
                    QVModule_base, 180);
    const MemberPointerWords current = WordsOf(m_process_function);
    if (next.function == current.function &&
        (next.adjustment == current.adjustment || next.function == 0)) {
        return;
    }
    m_process_function = fn;
    m_record.process = ProcessEntryOf(fn);
    CallHost(HOST_OP_PROCESS_CHANGED, 0, 0, nullptr, 0.0f);
}

void QV_CDECL QVModule_base::EmptyProcess(int32_t, int32_t) {}

bool QVModule_base::GetPinPropertiesClean(int32_t index, QVPinProperties* props) {
    std::memset(props, 0, sizeof *props);
    return GetPinProperties(index, props);
}

QVPin* QVModule_base::GetPin(int32_t index) {
    QV_REQUIRE(m_pins != 0, QVModule_base, 150);
    QV_REQUIRE_TEXT(HasPin(static_cast<uint32_t>(index)),
                    "index >= 0 && index < QVPin::ArrayCount(m_pins)", QVModule_base, 151);
    return m_pins + index;
}

QVPin* QVModule_base::PinOfDescription(int32_t table_index) {
    if (m_pins == nullptr || table_index < 0) return nullptr;
    QVPinProperties props;
    int32_t pin = 0;
    for (int32_t description = 0; description < table_index; ++description) {
        if (!GetPinPropertiesClean(description, &props)) return nullptr;
        if (CreatesPin(props)) ++pin;
    }
    if (!GetPinPropertiesClean(table_index, &props) || !CreatesPin(props)) return nullptr;
    return HasPin(static_cast<uint32_t>(pin)) ? m_pins + pin : nullptr;
}

bool QVModule_base::HasPin(uintptr_t index) const {
    return m_pins != nullptr && index < static_cast<uintptr_t>(QVPin::ArrayCount(m_pins));
}

void QVModule_base::DeliverOtherEvent(const TimedEvent* e) {
    switch (e->event_type) {
    case EVENT_PIN_STATUS:
        DeliverPinStatus(e);
        break;
    case EVENT_CALL_MEMBER:
        // A null function word names no member; calling it would jump to address 0.
        if (e->ptr_value != 0) (this->*MemberCallOf(e->ptr_value))();
        break;
    default:
        break;
    }
}

// The host's pin index is checked against the array: an index outside it would write a status
// into memory that is no pin. An unbound pin has no module to tell and ignores it.
void QVModule_base::DeliverPinStatus(const TimedEvent* e) {
    QV_REQUIRE(m_pins != 0, QVModule_base, 150);
    if (!HasPin(e->ptr_value)) return;
    m_pins[e->ptr_value].DeliverStatusChange(e->int_value);
}

void QVModule_base::QueueEvent(uint32_t p_time_stamp, int32_t event_type, int32_t int_value,
                               int32_t int_value2, uintptr_t ptr_value) {
    if (m_host_callback == nullptr) return;
    QV_REQUIRE_TEXT(IsNowOrLater(p_time_stamp, SampleClock()), "p_time_stamp >= SampleClock()",
                    QVModule_base, 340);
    TimedEvent event{p_time_stamp, event_type, int_value, int_value2, ptr_value, 0};
    CallHost(HOST_OP_ADD_EVENT, 0, 0, &event, 0.0f);
}

void QVModule_base::QueueMemberCall(uint32_t p_time_stamp, MemberCall fn) {
    const MemberPointerWords words = WordsOf(fn);
    // Only the function word travels, and the call comes back with no adjustment.
    QV_REQUIRE_TEXT(words.adjustment == 0, "member call needs no this-adjustment", QVModule_base,
                    345);
    QueueEvent(p_time_stamp, EVENT_CALL_MEMBER, 0, 0, words.function);
}
