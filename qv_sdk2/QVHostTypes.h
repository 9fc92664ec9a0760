// The plain types that cross between a module library and its host: records, entry-point shapes,
// opcodes, codes and flags. No classes: a host includes this header alone and can load any module
// without knowing how the module is built.
//
// On the real target (32-bit x86 Windows) every record has the exact layout checked below: little-
// endian 32-bit words and 4-byte pointers. On a 64-bit native build the pointer-carrying fields are
// pointer-sized, so the same sources serve tests and tools there.
#ifndef QV_HOST_TYPES_H
#define QV_HOST_TYPES_H

#include <stddef.h>
#include <stdint.h>

#if defined(_MSC_VER)
#define QV_CDECL __cdecl
#elif defined(__i386__)
#define QV_CDECL __attribute__((cdecl))
#else
#define QV_CDECL
#endif

#if defined(__i386__) || defined(_M_IX86)
#define QV_TARGET_32BIT 1
#else
#define QV_TARGET_32BIT 0
#endif

#ifdef __cplusplus
extern "C" {
#endif

// One machine word as host callbacks and audio dispatchers return it: an integer, or for a few
// opcodes an address. 32 bits on the target; pointer-sized natively so that addresses survive.
typedef intptr_t QVWord;

struct GuiHostRecord;
struct AudioHostRecord;
struct TimedEvent;
struct ModuleProperties;

// The host's one entry for an object: `record` is the calling object's own host record (GUI or
// audio), which tells the host who is calling. Each object keeps the callback it was made with.
typedef QVWord(QV_CDECL* HostCallback)(void* record, int32_t opcode, int32_t index, int32_t value,
                                       void* ptr, float opt);

typedef int32_t(QV_CDECL* GuiDispatcherFn)(struct GuiHostRecord* record, int32_t opcode,
                                           int32_t index, int32_t value, void* ptr, float opt);
typedef QVWord(QV_CDECL* AudioDispatcherFn)(struct AudioHostRecord* record, int32_t opcode,
                                            int32_t index, int32_t value, void* ptr, float opt);
// A process function, called with the record's `object` word and two words the host chooses
// (by convention the first sample's offset and the number of samples).
typedef void(QV_CDECL* ProcessFn)(void* object, int32_t buffer_offset, int32_t sample_frames);
typedef void(QV_CDECL* EventHandlerFn)(void* object, struct TimedEvent* event);

// The two exports of every module library, found by these undecorated names.
typedef int32_t(QV_CDECL* GetModulePropertiesFn)(int32_t index, struct ModuleProperties* props);
typedef void*(QV_CDECL* MakeModuleFn)(int32_t index, int32_t kind, HostCallback callback,
                                      uint32_t host_handle);
#define QV_EXPORT_GET_MODULE_PROPERTIES "getModuleProperties"
#define QV_EXPORT_MAKE_MODULE "makeModule"

// What a module library says of the module type at an index. The host owns the record and passes
// it to getModuleProperties; the texts are the library's constants, valid while it is loaded, and
// the host never frees them. The module writes no field beyond sdk_version.
struct ModuleProperties {
    const char* name;
    const char* id;
    const char* about;
    uint32_t host_reserved;  // the host's own; the module never writes it
    uint32_t flags;
    int32_t sdk_version;
};

enum {
    QV_KIND_AUDIO = 1,  // makeModule kind: the audio-side object; returns its AudioHostRecord
    QV_KIND_GUI = 2     // makeModule kind: the GUI-side object; returns its GuiHostRecord
};

#define QV_AUDIO_MAGIC 0x5156504Cu  // 'QVPL'
#define QV_GUI_MAGIC 0x5156504Du    // 'QVPM'

// What a GUI-side object shows the host. Lives inside the object from makeModule until the host
// sends GUI_OP_CLOSE; the host only reads it, and nothing rewrites it after construction.
struct GuiHostRecord {
    uint32_t magic;  // QV_GUI_MAGIC
    int32_t version;  // 1
    GuiDispatcherFn dispatcher;  // the host calls the object through this, passing this record
    uint32_t host_handle;  // makeModule's host handle: stored, never read
    void* object;  // back pointer to the object that holds this record
    uint32_t reserved[5];  // zero
};

// What an audio-side object shows the host. Lives inside the object from makeModule until the
// host sends MOD_OP_CLOSE. The object rewrites `process`, then tells the host with
// HOST_OP_PROCESS_CHANGED; it rewrites nothing else.
struct AudioHostRecord {
    uint32_t magic;  // QV_AUDIO_MAGIC
    int32_t version;  // 1
    uint32_t host_handle;  // makeModule's host handle: stored, never read
    void* object;  // back pointer; the host passes it to `process` and `event_handler`
    uint32_t reserved0;  // zero
    AudioDispatcherFn dispatcher;  // the host calls the object through this, passing this record
    ProcessFn process;  // the current process function, called with `object`
    EventHandlerFn event_handler;  // delivers a TimedEvent at its time stamp, called with `object`
    uint32_t reserved[4];  // zero
};

// Opcodes the host sends to an audio record's dispatcher. 7 and 10 are never sent.
enum {
    MOD_OP_OPEN = 0,
    MOD_OP_CLOSE = 1,  // deletes the object; answers 1
    MOD_OP_SAMPLE_RATE = 2,  // rate in opt
    MOD_OP_BLOCK_SIZE = 3,  // size in value
    MOD_OP_GET_PIN_PROPERTIES = 6,  // index, ptr = QVPinProperties*; answers 1 when it exists
    MOD_OP_FORBIDDEN_7 = 7,
    MOD_OP_NOTIFY = 8,
    MOD_OP_FORBIDDEN_10 = 10,
    MOD_OP_MESSAGE = 12,
    MOD_OP_GET_PROCESS_FUNCTION = 13  // answers the address of a ProcessFunctionReply
};

// Opcodes an audio-side object sends through its host callback; opt is always 0.0.
enum {
    HOST_OP_PIN_VALUE = 0,  // index = pin, value, ptr = sample clock as a word
    HOST_OP_QUERY_PIN = 1,  // index = pin; non-zero answer means true
    HOST_OP_SAMPLE_CLOCK = 3,  // answers the current sample clock
    HOST_OP_STATUS_CHANGE = 4,  // index = pin, value = status, ptr = sample clock as a word
    HOST_OP_PIN_BUFFER = 7,  // index = pin; answers the address of its float sample buffer
    HOST_OP_BUFFER_BASE_CLOCK = 8,  // index = pin; answers the sample clock of buffer[0]
    HOST_OP_SLEEP = 10,  // the object has nothing to process
    HOST_OP_PIN_COUNT = 14,  // answers how many audio-side pins the host holds for the object
    HOST_OP_ADD_EVENT = 19,  // ptr = TimedEvent, valid for the call only: the host copies it
    HOST_OP_PROCESS_CHANGED = 22  // the host re-reads the record's `process`
};

// Opcodes the host sends to a GUI record's dispatcher.
enum {
    GUI_OP_INITIALISE = 0,  // index 1 means true
    GUI_OP_CLOSE = 1,  // deletes the object; answers 1
    GUI_OP_INDEX_PTR = 2,
    GUI_OP_PAIR1 = 3,
    GUI_OP_PAIR2 = 4,
    GUI_OP_PAIR3 = 5,
    GUI_OP_VALUE_INDEX_PTR = 6,
    GUI_OP_PIN_CHANGED = 7,  // index = the pin whose value changed
    GUI_OP_PTR1 = 8,
    GUI_OP_PTR2 = 9,
    GUI_OP_QUERY = 10,  // answers 1 or 0
    GUI_OP_INDEX1 = 11,
    GUI_OP_INDEX2 = 12
};

// Opcodes a GUI-side object sends through its host callback; index is the pin where one applies.
enum {
    GUIHOST_OP_WRITE_PIN_PTR = 6,  // ptr = the pin's new value
    GUIHOST_OP_READ_PIN_TEXT = 7,  // answers the address of the pin's 8-bit text
    GUIHOST_OP_CALL8 = 8,
    GUIHOST_OP_READ_PIN_VALUE = 14,  // ptr = 4-byte buffer the host fills with the value
    GUIHOST_OP_WRITE_PIN_VALUE = 15,  // the new value in value (integers) or opt (floats)
    GUIHOST_OP_READ_PIN_WIDE_TEXT = 17,  // first call answers the 16-bit units needed; second
                                         // call (value = units, ptr = buffer) fills the buffer
    GUIHOST_OP_CALL18 = 18,
    GUIHOST_OP_CALL19 = 19,
    GUIHOST_OP_QUERY20 = 20
};

// One pin description. Filled by the module for the host (MOD_OP_GET_PIN_PROPERTIES) and for the
// framework's own pin creation; the caller clears it first. Texts are the module's constants.
struct QVPinProperties {
    void* variable_address;  // the module's variable holding the value, or null
    int32_t direction;  // DR_
    int32_t datatype;  // DT_
    const char* name;
    const char* aux_text;  // null
    const char* datatype_extra;  // e.g. the enumeration list of a DT_ENUM pin
    uint32_t flags;  // IO_
    uint32_t spare;  // 0
};

enum { DR_IN = 0, DR_OUT = 1 };

enum { DT_ENUM = 0, DT_BOOL = 4, DT_FSAMPLE = 5, DT_FLOAT = 6, DT_INT = 8 };

// Pin flags the framework knows; every other bit is the host's and passes through untouched.
#define IO_REPEAT_LAST 0x8u  // surplus host pins repeat the last description
#define IO_PRIVATE 0x100u
#define IO_UI_COMMUNICATION 0x400u  // a user-interface pin: no audio-side pin of its own ...
#define IO_UI_AND_AUDIO 0x8000u  // ... unless this is set too
#define IO_PATCH_STORE 0x10000u  // an input with it must be IO_PRIVATE or IO_UI_COMMUNICATION

// A time-stamped event. The object builds one for HOST_OP_ADD_EVENT (the host copies it); the
// host hands one to `event_handler` when its sample clock equals time_stamp.
struct TimedEvent {
    uint32_t time_stamp;  // the sample clock at which it applies
    int32_t event_type;  // EVENT_
    int32_t int_value;
    int32_t int_value2;  // EVENT_TIMED_VALUE reads its low 16 bits as a signed tag
    uintptr_t ptr_value;  // a pin index or the function word of a member function
    uint32_t reserved;  // 0
};

enum { EVENT_PIN_STATUS = 0, EVENT_TIMED_VALUE = 2, EVENT_CALL_MEMBER = 21 };

// A pin's status, as HOST_OP_STATUS_CHANGE and EVENT_PIN_STATUS carry it. Every pin starts
// static. PIN_STATUS_CHANGED is momentary: the value changed once and holds again.
enum { PIN_STATUS_STATIC = 0, PIN_STATUS_CHANGED = 1, PIN_STATUS_MOVING = 2 };

// The answer to MOD_OP_GET_PROCESS_FUNCTION: one record for the whole library, rewritten by each
// such call on any object. The host reads it before it asks again.
struct ProcessFunctionReply {
    int32_t count;  // 1
    int32_t size;  // bytes of the member-function pointer at `member_function`
    void* member_function;  // the asking object's process function: function word, adjustment
    int32_t tag;  // 1002
};

#ifdef __cplusplus
}
#endif

#if QV_TARGET_32BIT
#ifdef __cplusplus
#define QV_STATIC_ASSERT(e, m) static_assert(e, m)
#else
#define QV_STATIC_ASSERT(e, m) _Static_assert(e, m)
#endif
QV_STATIC_ASSERT(sizeof(struct ModuleProperties) == 24, "ModuleProperties");
QV_STATIC_ASSERT(offsetof(struct ModuleProperties, flags) == 16, "ModuleProperties.flags");
QV_STATIC_ASSERT(offsetof(struct ModuleProperties, sdk_version) == 20, "ModuleProperties.sdk");
QV_STATIC_ASSERT(sizeof(struct GuiHostRecord) == 40, "GuiHostRecord");
QV_STATIC_ASSERT(offsetof(struct GuiHostRecord, dispatcher) == 8, "GuiHostRecord.dispatcher");
QV_STATIC_ASSERT(offsetof(struct GuiHostRecord, host_handle) == 12, "GuiHostRecord.host_handle");
QV_STATIC_ASSERT(offsetof(struct GuiHostRecord, object) == 16, "GuiHostRecord.object");
QV_STATIC_ASSERT(offsetof(struct GuiHostRecord, reserved) == 20, "GuiHostRecord.reserved");
QV_STATIC_ASSERT(sizeof(struct AudioHostRecord) == 48, "AudioHostRecord");
QV_STATIC_ASSERT(offsetof(struct AudioHostRecord, host_handle) == 8, "AudioHostRecord.handle");
QV_STATIC_ASSERT(offsetof(struct AudioHostRecord, object) == 12, "AudioHostRecord.object");
QV_STATIC_ASSERT(offsetof(struct AudioHostRecord, dispatcher) == 20, "AudioHostRecord.dispatcher");
QV_STATIC_ASSERT(offsetof(struct AudioHostRecord, process) == 24, "AudioHostRecord.process");
QV_STATIC_ASSERT(offsetof(struct AudioHostRecord, event_handler) == 28, "AudioHostRecord.events");
QV_STATIC_ASSERT(offsetof(struct AudioHostRecord, reserved) == 32, "AudioHostRecord.reserved");
QV_STATIC_ASSERT(sizeof(struct QVPinProperties) == 32, "QVPinProperties");
QV_STATIC_ASSERT(offsetof(struct QVPinProperties, direction) == 4, "QVPinProperties.direction");
QV_STATIC_ASSERT(offsetof(struct QVPinProperties, name) == 12, "QVPinProperties.name");
QV_STATIC_ASSERT(offsetof(struct QVPinProperties, datatype_extra) == 20, "QVPinProperties.extra");
QV_STATIC_ASSERT(offsetof(struct QVPinProperties, flags) == 24, "QVPinProperties.flags");
QV_STATIC_ASSERT(offsetof(struct QVPinProperties, spare) == 28, "QVPinProperties.spare");
QV_STATIC_ASSERT(sizeof(struct TimedEvent) == 24, "TimedEvent");
QV_STATIC_ASSERT(offsetof(struct TimedEvent, int_value2) == 12, "TimedEvent.int_value2");
QV_STATIC_ASSERT(offsetof(struct TimedEvent, ptr_value) == 16, "TimedEvent.ptr_value");
QV_STATIC_ASSERT(offsetof(struct TimedEvent, reserved) == 20, "TimedEvent.reserved");
QV_STATIC_ASSERT(sizeof(struct ProcessFunctionReply) == 16, "ProcessFunctionReply");
QV_STATIC_ASSERT(offsetof(struct ProcessFunctionReply, member_function) == 8, "Reply.function");
QV_STATIC_ASSERT(offsetof(struct ProcessFunctionReply, tag) == 12, "Reply.tag");
#undef QV_STATIC_ASSERT
#endif

#endif
