// Drives an audio object through its record the way a host may: pin descriptions and a host pin
// count chosen by the input, any opcode but the two a host never sends, process calls, events of
// every type delivered on time (with any pin index, and member calls the object queued itself),
// and the sample clock moving on. Undefined behaviour or a leak ends the run (ASan, UBSan).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzInput.h"
#include "QVModule_base.h"
#include "QVPin.h"

namespace {

struct FuzzHost {
    uint32_t clock = 0;
    int32_t pin_count = 0;
    float buffer[64] = {};
    std::vector<TimedEvent> events;
};

FuzzHost* g_host = nullptr;

QVWord QV_CDECL Callback(void*, int32_t opcode, int32_t, int32_t, void* ptr, float) {
    switch (opcode) {
    case HOST_OP_SAMPLE_CLOCK:
    case HOST_OP_BUFFER_BASE_CLOCK:
        return static_cast<QVWord>(g_host->clock);
    case HOST_OP_PIN_COUNT:
        return g_host->pin_count;
    case HOST_OP_PIN_BUFFER:
        return reinterpret_cast<QVWord>(g_host->buffer);
    case HOST_OP_ADD_EVENT:
        g_host->events.push_back(*static_cast<TimedEvent*>(ptr));
        return 0;
    default:
        return 0;
    }
}

class FuzzModule : public QVModule_base {
public:
    explicit FuzzModule(FuzzInput& input) : QVModule_base(&Callback, 0) {
        const uint32_t count = input.Below(9);
        for (uint32_t i = 0; i < count; ++i) {
            QVPinProperties props{};
            props.direction = static_cast<int32_t>(input.Below(2));
            props.datatype = static_cast<int32_t>(input.Below(10));
            // Any flags but the patch store, whose misuse is a contract failure by design.
            props.flags = input.Next() & ~IO_PATCH_STORE;
            props.variable_address = input.Below(4) == 0 ? &m_variable : nullptr;
            m_descriptions.push_back(props);
        }
    }

    bool GetPinProperties(int32_t index, QVPinProperties* props) override {
        if (index < 0 || index >= static_cast<int32_t>(m_descriptions.size())) return false;
        *props = m_descriptions[static_cast<size_t>(index)];
        return true;
    }
    void OnPinStatusChange(QVPin* pin) override {
        if (pin->GetModule() != this) std::abort();
    }
    virtual void Tick() { ++ticks; }
    void Tock() { ++ticks; }

    int ticks = 0;

private:
    std::vector<QVPinProperties> m_descriptions;
    // A module variable of a sample pin holds the address of its buffer.
    float* m_variable = g_host->buffer;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzHost host;
    g_host = &host;
    FuzzInput input(data, size);
    host.pin_count = static_cast<int32_t>(input.Next() % 20) - 2;
    auto* module = new FuzzModule(input);
    AudioHostRecord* record = module->HostRecord();
    bool opened = false;

    while (!input.Empty()) {
        switch (input.Below(6)) {
        case 0: {
            int32_t opcode = static_cast<int32_t>(input.Next() % 40) - 2;
            if (opcode == MOD_OP_CLOSE || opcode == MOD_OP_FORBIDDEN_7 ||
                opcode == MOD_OP_FORBIDDEN_10) {
                opcode = MOD_OP_OPEN;
            }
            const int32_t index = static_cast<int32_t>(input.Next());
            const int32_t value = static_cast<int32_t>(input.Next());
            QVPinProperties props{};
            record->dispatcher(record, opcode, index, value, &props, 44100.0f);
            opened = opened || (opcode == MOD_OP_OPEN && host.pin_count > 0);
            break;
        }
        case 1:
            record->process(record->object, 0, 64);
            break;
        case 2: {
            TimedEvent event{host.clock,
                             static_cast<int32_t>(input.Below(24)),
                             static_cast<int32_t>(input.Next()),
                             static_cast<int32_t>(input.Next()),
                             input.Next(),
                             0};
            // Member calls carry function words the object handed out, never arbitrary ones.
            if (event.event_type == EVENT_CALL_MEMBER) break;
            if (event.event_type == EVENT_PIN_STATUS && !opened) break;
            record->event_handler(record->object, &event);
            break;
        }
        case 3: {
            const uint32_t when = host.clock + input.Below(100);
            if (input.Below(2) == 0) {
                module->QueueMemberCall(when,
                                        static_cast<QVModule_base::MemberCall>(&FuzzModule::Tick));
            } else {
                module->QueueMemberCall(when,
                                        static_cast<QVModule_base::MemberCall>(&FuzzModule::Tock));
            }
            break;
        }
        case 4: {
            host.clock += input.Below(50);
            std::vector<TimedEvent> due;
            std::vector<TimedEvent> later;
            for (const TimedEvent& e : host.events)
                (e.time_stamp == host.clock ? due : later).push_back(e);
            host.events = later;
            for (TimedEvent& e : due) record->event_handler(record->object, &e);
            host.events.erase(
                std::remove_if(host.events.begin(), host.events.end(),
                               [&](const TimedEvent& e) { return e.time_stamp < host.clock; }),
                host.events.end());
            break;
        }
        case 5: {
            if (!opened) break;
            const uint32_t pins = static_cast<uint32_t>(QVPin::ArrayCount(module->GetPin(0)));
            QVPin* pin = module->GetPin(static_cast<int32_t>(input.Below(pins)));
            if (pin->GetModule() == nullptr) break;
            if (pin->GetDatatype() == DT_FSAMPLE) (void)pin->GetSample();
            (void)pin->QueryPin();
            break;
        }
        }
    }
    record->dispatcher(record, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
    return 0;
}
