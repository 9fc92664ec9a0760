// The base of every audio-side module object. The host holds only the AudioHostRecord embedded
// here: it drives the object through the record's dispatcher, process and event entries, and the
// object calls the host back through the one host callback it was made with. Every virtual
// operation has a default, so a module overrides only what it needs.
#ifndef QV_MODULE_BASE_H
#define QV_MODULE_BASE_H

#include "QVContract.h"
#include "QVHostTypes.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

class QVPin;

// Whether `Fn` is a process function's exact type: a QV_CDECL member function of the module's class
// taking (buffer_offset, sample_frames), or null. On the 32-bit Windows build the convention is
// part of the type: a member function declared without QV_CDECL takes `this` in a register, where
// the host never puts it.
template <class Fn>
struct IsProcessFunction : std::false_type {};
template <class Module>
struct IsProcessFunction<void (QV_CDECL Module::*)(int32_t, int32_t)> : std::true_type {};
template <>
struct IsProcessFunction<std::nullptr_t> : std::true_type {};

class QVModule_base {
public:
    // A process function: the host calls the record's `process` word as a plain cdecl function
    // with the object's address first, so it must be a QV_CDECL, non-virtual member of the
    // object's own class that needs no this-adjustment. A derived class installs one with
    // SetProcessFunction(&Derived::Fn); null, or one that needs an adjustment, breaks the
    // contract.
    typedef void (QV_CDECL QVModule_base::*ProcessFunction)(int32_t buffer_offset,
                                                            int32_t sample_frames);
    // A member function that QueueMemberCall schedules: no arguments, no this-adjustment.
    typedef void (QVModule_base::*MemberCall)();

    // Makes no host call: the host may not be ready to answer before makeModule returns.
    QVModule_base(HostCallback host_callback, uint32_t host_handle);
    virtual ~QVModule_base();
    QVModule_base(const QVModule_base&) = delete;
    QVModule_base& operator=(const QVModule_base&) = delete;

    virtual void OnPinStatusChange(QVPin* pin);
    virtual void HandleEvent(TimedEvent* event);
    // Reached through DispatcherEntry, which deletes the object once MOD_OP_CLOSE has run and the
    // outermost call from the host returns.
    virtual QVWord Dispatcher(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
    virtual void Open();
    virtual void Close();
    virtual void SpareHook();
    virtual void SetSampleRate(float rate);
    virtual void SetBlockSize(int32_t size);
    virtual float GetSampleRate();
    virtual int32_t GetBlockSize();
    virtual bool GetPinProperties(int32_t index, QVPinProperties* props);
    virtual int32_t SpareQuery1();
    virtual int32_t SpareQuery2();
    virtual void OnNotify();
    virtual void OnNotifyIndex(int32_t index);
    virtual void OnTimedValue(uint32_t time_stamp, int32_t value, int16_t tag);
    virtual void OnMessage(int32_t value, int32_t index, void* ptr);

    // The address makeModule hands to the host.
    AudioHostRecord* HostRecord() { return &m_record; }

    // 0 without a host callback, and then nothing is called. Inline: a process function that
    // only sleeps is one host call, and a call in between would cost as much again.
    QVWord CallHost(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
        if (m_host_callback == nullptr) return 0;
        return m_host_callback(&m_record, opcode, index, value, ptr, opt);
    }
    // Whether `time_stamp` is `clock` or up to 2^31 - 1 samples after it. The clock is a 32-bit
    // count that wraps (after about 24.8 hours at 48 kHz), so a stamp just past the wrap is later
    // than a clock just before it, as the host's own event queue counts it.
    static bool IsNowOrLater(uint32_t time_stamp, uint32_t clock) {
        return time_stamp - clock <= 0x7FFFFFFFu;
    }
    // Asked from the host every time: the clock moves between any two calls.
    uint32_t SampleClock() {
        return static_cast<uint32_t>(CallHost(HOST_OP_SAMPLE_CLOCK, 0, 0, nullptr, 0.0f));
    }

    void SetProcessFunction(ProcessFunction fn);
    // A process function of the derived class, `SetProcessFunction(&Derived::Fn)`: only the exact
    // type compiles, so a member declared without QV_CDECL is refused on the 32-bit Windows build
    // rather than crashing at the host's first call.
    template <class Fn>
    void SetProcessFunction(Fn fn) {
        static_assert(IsProcessFunction<Fn>::value,
                      "a process function is a member of the module's class declared "
                      "void QV_CDECL Fn(int32_t buffer_offset, int32_t sample_frames)");
        SetProcessFunction(static_cast<ProcessFunction>(fn));
    }
    ProcessFunction GetProcessFunction() const { return m_process_function; }
    // The process function of an object that has not installed one: does nothing.
    void QV_CDECL EmptyProcess(int32_t buffer_offset, int32_t sample_frames);

    bool GetPinPropertiesClean(int32_t index, QVPinProperties* props);
    // The pin at `index` of the array Open built; an index outside it breaks the contract.
    QVPin* GetPin(int32_t index);
    // The audio-side pin built from description `table_index` of GetPinProperties, or null for a
    // user-interface pin that has none (or before Open). Audio-side indices count only the
    // descriptions that create a pin; this maps the table's positions onto them.
    QVPin* PinOfDescription(int32_t table_index);

    // Hands the host an event for now or later; the host copies it during the call.
    void QueueEvent(uint32_t p_time_stamp, int32_t event_type, int32_t int_value,
                    int32_t int_value2, uintptr_t ptr_value);
    // Schedules `fn` to run on this object at `p_time_stamp`; only its function word travels.
    void QueueMemberCall(uint32_t p_time_stamp, MemberCall fn);

    // The record's dispatcher and event entries.
    static QVWord QV_CDECL DispatcherEntry(AudioHostRecord* record, int32_t opcode, int32_t index,
                                           int32_t value, void* ptr, float opt) noexcept;
    static void QV_CDECL EventEntry(void* object, TimedEvent* event) noexcept;

private:
    // The low 16 bits of `word` as a signed 16-bit number.
    static int16_t LowTag(int32_t word) {
        const int32_t low = static_cast<int32_t>(static_cast<uint32_t>(word) & 0xFFFFu);
        return static_cast<int16_t>(low >= 0x8000 ? low - 0x10000 : low);
    }
    // The events HandleEvent does not deliver itself: pin status changes and member calls.
    void DeliverOtherEvent(const TimedEvent* e);
    void DeliverPinStatus(const TimedEvent* e);
    // Whether the pin array holds a pin at `index`, for GetPin and the host's pin status events.
    bool HasPin(uintptr_t index) const;
    // Around every call the host makes through the record's entries: the host may close the
    // object from inside one of the object's own host calls, and the object must outlive the
    // frames that are still using it.
    void EnterFromHost() { ++m_entries_from_host; }
    void LeaveToHost();

    HostCallback m_host_callback;
    AudioHostRecord m_record;
    float m_sample_rate;
    int32_t m_block_size;
    QVPin* m_pins;
    ProcessFunction m_process_function;
    // Calls from the host through the dispatcher and event entries not yet returned.
    int32_t m_entries_from_host;
    // Set by MOD_OP_CLOSE; the object is deleted once no entry call is left.
    bool m_closed;
};

// Inline, with the rarer events out of line: small enough that the event entry takes it in
// directly for an object that keeps it, saving the host a call per event.
inline void QVModule_base::HandleEvent(TimedEvent* e) {
    QV_REQUIRE(e->time_stamp == SampleClock(), QVModule_base, 276);
    if (e->event_type == EVENT_TIMED_VALUE) {
        OnTimedValue(e->time_stamp, e->int_value, LowTag(e->int_value2));
    } else {
        DeliverOtherEvent(e);
    }
}

#if QV_TARGET_32BIT
static_assert(sizeof(QVModule_base) == 84,
              "vptr, callback, 48-byte record, rate, block size, pins, 8-byte process function, "
              "entry count, closed flag");
#endif

#endif
