#include "GuiSideHost.h"

#include <algorithm>
#include <cstring>

#include "CallObserver.h"
#include "HostError.h"
#include "HostNotes.h"
#include "HostRuleIds.h"
#include "PinWriteText.h"

void GuiSideHost::Attach(GuiHostRecord* record, const std::vector<PinDescription>& pins) {
    m_record = record;
    m_pins = PinValueStore(pins);
    m_latest_pointer_writes.assign(pins.size(), nullptr);
}

GuiSideHost::Entry::Entry(GuiSideHost& host) : m_host(host) {
    if (m_host.m_entries++ == 0) {
        m_host.m_entry_thread = std::this_thread::get_id();
        m_host.m_writes_at_entry = m_host.m_writes.size();
    }
}

GuiSideHost::Entry::~Entry() { --m_host.m_entries; }

QVWord GuiSideHost::Answer(GuiHostRecord* record, int32_t opcode, int32_t index, int32_t value,
                           void* ptr, float opt) {
    if (record == nullptr || record != m_record) {
        Problem(HostRuleId::kOwnRecord,
                "host call " + std::to_string(opcode) + " came with a record this host does not hold");
        return 0;
    }
    if (m_entries == 0 || m_entry_thread.load() != std::this_thread::get_id()) {
        Problem(HostRuleId::kGuiCallsInItsCalls, "GUI host call " + std::to_string(opcode) +
                " from outside a call into the GUI object: from a process call, an event "
                "delivery or another thread");
    }
    switch (opcode) {
    case GUIHOST_OP_READ_PIN_VALUE:
        return ReadValue(index, ptr);
    case GUIHOST_OP_WRITE_PIN_VALUE:
        return WriteValue(index, value, opt);
    case GUIHOST_OP_READ_PIN_TEXT:
        ++m_counts.texts;
        // Never null: an unknown pin reads as the empty text.
        return reinterpret_cast<QVWord>(CheckPin(opcode, index) ? m_pins.Text(index) : "");
    case GUIHOST_OP_READ_PIN_WIDE_TEXT:
        ++m_counts.texts;
        return ReadWideText(index, value, ptr);
    case GUIHOST_OP_WRITE_PIN_PTR:
        return WritePointer(index, ptr);
    case GUIHOST_OP_CALL8:
    case GUIHOST_OP_CALL18:
    case GUIHOST_OP_CALL19:
    case GUIHOST_OP_QUERY20:
        return 0;
    default:
        // A real host may know more opcodes than this one.
        KeepNote(m_warnings, "GUI: ", HostRuleId::kHostOpcodesKnown,
                 "host opcode " + std::to_string(opcode) + " is not one this host knows");
        return 0;
    }
}

bool GuiSideHost::CheckPin(int32_t opcode, int32_t index) {
    if (m_pins.Contains(index)) return true;
    Problem(HostRuleId::kPinsInTable, "host call " + std::to_string(opcode) + " for pin " + std::to_string(index) +
            ", which the pin table does not have");
    return false;
}

QVWord GuiSideHost::ReadValue(int32_t index, void* buffer) {
    ++m_counts.reads;
    if (buffer == nullptr) {
        Problem(HostRuleId::kReadsIntoBuffer, "GUIHOST_OP_READ_PIN_VALUE without a buffer");
        return 0;
    }
    if (CheckPin(GUIHOST_OP_READ_PIN_VALUE, index)) {
        m_pins.ReadInto(index, buffer);
    } else {
        // The buffer is not initialised by the caller: an unknown pin reads as 0, not garbage.
        std::memset(buffer, 0, 4);
    }
    return 0;
}

QVWord GuiSideHost::WriteValue(int32_t index, int32_t value, float opt) {
    ++m_counts.writes;
    Keep({index, value, opt, m_depth, nullptr});
    if (!CheckPin(GUIHOST_OP_WRITE_PIN_VALUE, index)) return 0;
    // The host takes a float pin's value from opt and every other pin's from value: a write
    // through the other argument loses the value.
    const bool float_pin = m_pins.Datatype(index) == DT_FLOAT;
    if (float_pin ? value != 0 : opt != 0.0f) {
        Problem(HostRuleId::kWritesInType, "pin " + m_pins.Name(index) +
                (float_pin ? " (a float pin)" : " (not a float pin)") + " written through the " +
                (float_pin ? "integer" : "float") + " argument");
    }
    Take(index, value, opt);
    return 0;
}

QVWord GuiSideHost::WritePointer(int32_t index, const void* pointer) {
    ++m_counts.writes;
    PointerWrite handed{pointer, std::nullopt};
    const bool known = CheckPin(GUIHOST_OP_WRITE_PIN_PTR, index);
    if (known && PinWriteText::CarriesText(m_pins.Datatype(index))) {
        handed.text = PinWriteText::Read(pointer);
    }
    if (!known) {
        Keep({index, 0, 0.0f, m_depth, std::make_shared<const PointerWrite>(std::move(handed))});
        return 0;
    }
    // A module that shows the same text again (a label kept in the object, handed over at every
    // change) costs the host one copy, not one a write.
    std::shared_ptr<const PointerWrite>& latest = m_latest_pointer_writes[static_cast<size_t>(index)];
    if (!latest || latest->pointer != handed.pointer || latest->text != handed.text) {
        latest = std::make_shared<const PointerWrite>(std::move(handed));
    }
    Keep({index, 0, 0.0f, m_depth, latest});
    return 0;
}

void GuiSideHost::Keep(PinWrite write) {
    if (m_writes.size() - m_writes_at_entry >= kMostWritesKeptPerCall) {
        ++m_counts.writes_not_kept;
        return;
    }
    m_writes.push_back(std::move(write));
}

QVWord GuiSideHost::ReadWideText(int32_t index, int32_t units, void* buffer) {
    const std::u16string text =
        CheckPin(GUIHOST_OP_READ_PIN_WIDE_TEXT, index) ? m_pins.WideText(index) : std::u16string();
    if (buffer == nullptr) return static_cast<QVWord>(text.size() + 1);
    if (units < 1) return 0;
    // Never more than the caller said its buffer holds, and always a terminating zero unit.
    const size_t copied = std::min(text.size(), static_cast<size_t>(units) - 1);
    auto* out = static_cast<unsigned char*>(buffer);
    std::memcpy(out, text.data(), copied * sizeof(char16_t));
    std::memset(out + copied * sizeof(char16_t), 0, sizeof(char16_t));
    return 0;
}

int32_t GuiSideHost::Dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
    if (m_record == nullptr) throw HostError("the GUI object is closed");
    ObservedCall call({CallEntry::kGuiDispatcher, opcode, index, value, ptr, opt});
    const Entry entry(*this);
    return static_cast<int32_t>(
        call.Answer(m_record->dispatcher(m_record, opcode, index, value, ptr, opt)));
}

void GuiSideHost::Initialise() { Dispatch(GUI_OP_INITIALISE, 0, 0, nullptr, 0.0f); }

void GuiSideHost::NoteUserChange(int32_t index, const std::string& value) {
    if (CallObserver::Installed() == nullptr) return;
    const std::string note =
        "host sets pin " + std::to_string(index) + " (" + m_pins.Name(index) + ") to " + value;
    const ObservedCall action({CallEntry::kHostAction, index, 0, 0, nullptr, 0.0f, note.c_str()});
}

void GuiSideHost::SetPin(int32_t index, int32_t value) {
    if (!m_pins.Contains(index)) throw HostError("no pin " + std::to_string(index));
    NoteUserChange(index, std::to_string(value));
    Take(index, value, static_cast<float>(value));
}

void GuiSideHost::SetPinFloat(int32_t index, float value) {
    if (!m_pins.Contains(index)) throw HostError("no pin " + std::to_string(index));
    NoteUserChange(index, std::to_string(value));
    Take(index, 0, value);
}

void GuiSideHost::LoadStoredValue(int32_t index, double value) {
    if (!m_pins.Contains(index)) throw HostError("no pin " + std::to_string(index));
    const double whole = std::clamp(value, double{INT32_MIN}, double{INT32_MAX});
    m_pins.Write(index, static_cast<int32_t>(whole), static_cast<float>(value));
}

void GuiSideHost::TakeValueFromAudio(int32_t index, int32_t value) {
    if (!m_pins.Contains(index)) throw HostError("no pin " + std::to_string(index));
    if (m_pins.Write(index, value, static_cast<float>(value)) || m_report_every_write) {
        Notify(index);
    }
}

void GuiSideHost::Take(int32_t index, int32_t value, float opt) {
    const bool changed = m_pins.Write(index, value, opt);
    if (m_value_listener) m_value_listener(index, value, opt);
    if (changed || m_report_every_write) Notify(index);
}

void GuiSideHost::Notify(int32_t index) {
    if (m_record == nullptr) return;
    if (m_depth == 0) {
        m_notifications_this_change = 0;
        m_cut_this_change = false;
    }
    // Each limit is reported once per change: a looping object would otherwise fill the list.
    if (m_depth >= kMaxNotificationDepth) {
        if (!m_cut_this_change) {
            Problem(HostRuleId::kNestingBounded, "pin " + std::to_string(index) + " changed " + std::to_string(m_depth) +
                    " notifications deep: the object keeps changing pins; not told again");
        }
        m_cut_this_change = true;
        return;
    }
    if (m_notifications_this_change == kMaxNotificationsPerChange) {
        Problem(HostRuleId::kFanOutBounded, "pin " + std::to_string(index) + " changed after " +
                std::to_string(kMaxNotificationsPerChange) +
                " notifications from one change: the object keeps changing pins; not told again");
    }
    if (m_notifications_this_change++ >= kMaxNotificationsPerChange) return;
    ++m_counts.notifications;
    if (m_depth > 0) ++m_counts.nested_notifications;
    ++m_depth;
    const std::string note = CallObserver::Installed()
                                 ? "pin " + m_pins.Name(index) + " = " + m_pins.ValueText(index)
                                 : std::string();
    ObservedCall call(
        {CallEntry::kGuiDispatcher, GUI_OP_PIN_CHANGED, index, 0, nullptr, 0.0f, note.c_str()});
    {
        const Entry entry(*this);
        call.Answer(m_record->dispatcher(m_record, GUI_OP_PIN_CHANGED, index, 0, nullptr, 0.0f));
    }
    --m_depth;
}

int32_t GuiSideHost::Close() {
    const int32_t answer = Dispatch(GUI_OP_CLOSE, 0, 0, nullptr, 0.0f);
    m_record = nullptr;
    return answer;
}

void GuiSideHost::Problem(const char* rule, const std::string& text) {
    const std::lock_guard<std::mutex> lock(m_problems_mutex);
    KeepNote(m_problems, "GUI: ", rule, text);
}
