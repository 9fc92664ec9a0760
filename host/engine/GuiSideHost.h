// The host's side of one GUI object: it keeps the values of the module's pins and answers the
// object's GUIHOST_OP_ calls, and it tells the object with GUI_OP_PIN_CHANGED whenever a pin's
// value changes, whoever changed it. A change the object makes itself is announced from inside
// its own write, as a real host does, so the object must cope with being re-entered.
#ifndef QVHOST_GUI_SIDE_HOST_H
#define QVHOST_GUI_SIDE_HOST_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "PinDescription.h"
#include "PinValueStore.h"
#include "QVHostTypes.h"

// What a GUIHOST_OP_WRITE_PIN_PTR handed over.
struct PointerWrite {
    const void* pointer;
    // For a pin of a datatype of the host's own, the text the pointer held at the write, copied
    // then: the object may free it once the write returns.
    std::optional<std::string> text;
};

// A pin write the object made: a GUIHOST_OP_WRITE_PIN_VALUE, or a GUIHOST_OP_WRITE_PIN_PTR. Kept
// for every write of a session, so a value write costs no more than its four words.
struct PinWrite {
    int32_t pin;
    int32_t value;
    float opt;
    int depth;  // notifications the host was inside when the write came: 1 for a direct answer
    std::shared_ptr<const PointerWrite> by_pointer;  // null for a value write
};

struct GuiCounts {
    int reads = 0;
    int writes = 0;
    int texts = 0;
    int notifications = 0;
    int nested_notifications = 0;  // sent while the object was inside a notification already
    // Past the most writes one call into the object leaves kept: counted, not kept.
    long long writes_not_kept = 0;
};

class GuiSideHost {
public:
    // Held around every call into the object: the object may call the host only inside one, on
    // the thread that made it. Dispatch holds one; a host that calls the record's dispatcher
    // itself holds one around the call.
    class Entry {
    public:
        explicit Entry(GuiSideHost& host);
        ~Entry();
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

    private:
        GuiSideHost& m_host;
    };

    // Notifications inside notifications before the host takes the object to be looping.
    static constexpr int kMaxNotificationDepth = 8;
    // Notifications one change may cause in all, however wide they fan out: past it the object
    // is taken to be looping too, and the host's own memory stays bounded.
    static constexpr int kMaxNotificationsPerChange = 1000;

    void Attach(GuiHostRecord* record, const std::vector<PinDescription>& pins);
    bool IsAttached() const { return m_record != nullptr; }
    GuiHostRecord* Record() const { return m_record; }

    QVWord Answer(GuiHostRecord* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                  float opt);

    int32_t Dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
    void Initialise();
    // A user's change of a pin (integer, enumeration or boolean pins take `value`, float pins
    // the same number as a float); the object hears of it when the value changed.
    void SetPin(int32_t index, int32_t value);
    // A user's change of a float pin to a value no integer gives.
    void SetPinFloat(int32_t index, float value);
    // A value stored with the patch, in place before the object is initialised: no notification.
    void LoadStoredValue(int32_t index, double value);
    // A value the audio object sent for an output pin with both sides, at this side's turn: the
    // object hears of it as of any change, and the audio side is not told it back.
    void TakeValueFromAudio(int32_t index, int32_t value);
    // By default the object hears of a change only when a value changed. A host may report every
    // write instead, the object's own included; a module must cope with both.
    void ReportEveryWrite(bool every_write) { m_report_every_write = every_write; }
    // Told of every value a pin takes on this side, the object's writes and a user's changes:
    // the pin, and the value as an integer and as a float.
    using ValueListener = std::function<void(int32_t pin, int32_t value, float opt)>;
    void ListenToValues(ValueListener listener) { m_value_listener = std::move(listener); }
    // GUI_OP_CLOSE; the object and its record are gone afterwards. Returns the object's answer.
    int32_t Close();

    const PinValueStore& Pins() const { return m_pins; }
    // The object's writes, each call into it leaving at most kMostWritesKeptPerCall.
    const std::vector<PinWrite>& Writes() const { return m_writes; }
    // Hands the writes kept so far over and forgets them, so that a long session does not grow
    // with its length. Only between calls into the object.
    std::vector<PinWrite> TakeWrites() { return std::exchange(m_writes, {}); }
    static constexpr size_t kMostWritesKeptPerCall = 100000;
    const GuiCounts& Counts() const { return m_counts; }
    const std::vector<std::string>& Problems() const { return m_problems; }
    // What the object did that is allowed but suspicious: an opcode this host does not know.
    const std::vector<std::string>& Warnings() const { return m_warnings; }

private:
    QVWord ReadValue(int32_t index, void* buffer);
    QVWord WriteValue(int32_t index, int32_t value, float opt);
    // Kept in the writes; the pin's value stays as it was, and the object hears of nothing.
    QVWord WritePointer(int32_t index, const void* pointer);
    QVWord ReadWideText(int32_t index, int32_t units, void* buffer);
    // A pin takes a value, whoever set it: stored, passed to the listener, and notified as this
    // host notifies.
    void Take(int32_t index, int32_t value, float opt);
    void Notify(int32_t index);
    bool CheckPin(int32_t opcode, int32_t index);
    // Keeps a write unless the call into the object has left its most already.
    void Keep(PinWrite write);
    // Shows a user's change of a pin to the installed call observer, for the trace.
    void NoteUserChange(int32_t index, const std::string& value);
    // A finding of the rule `rule` (HostRuleIds.h).
    void Problem(const char* rule, const std::string& text);

    // The object calls the host only from inside a call into it, on that call's thread: never
    // from a process call, an event delivery or a thread of its own.
    std::atomic<int> m_entries{0};
    std::atomic<std::thread::id> m_entry_thread{};
    std::mutex m_problems_mutex;  // the problems of a call from a wrong thread

    GuiHostRecord* m_record = nullptr;
    PinValueStore m_pins;
    int m_depth = 0;
    int m_notifications_this_change = 0;
    bool m_cut_this_change = false;  // a notification was refused for depth in this change
    bool m_report_every_write = false;
    ValueListener m_value_listener;
    std::vector<PinWrite> m_writes;
    size_t m_writes_at_entry = 0;  // how many were kept when the outermost call began
    // Per pin, its latest pointer write, which a write of the same pointer and text shares.
    std::vector<std::shared_ptr<const PointerWrite>> m_latest_pointer_writes;
    GuiCounts m_counts;
    std::vector<std::string> m_problems;
    std::vector<std::string> m_warnings;
};

#endif
