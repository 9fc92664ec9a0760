// Drives a GUI object through its record with arbitrary opcodes, arguments and pin values, the
// host re-entering the dispatcher from inside every pin write as a real host may. Checks that one
// notification writes no pin or exactly Out1 then Out2, and that draws over spans too wide for
// single precision stay between the limits. Undefined behaviour ends the run (UBSan).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzInput.h"
#include "GuiModule.h"
#include "QVHostTypes.h"

namespace {

struct FuzzHost {
    int32_t pins[6] = {};
    std::vector<int32_t> written;
};

FuzzHost* g_host = nullptr;

void Require(bool condition) {
    if (!condition) std::abort();
}

QVWord QV_CDECL Callback(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                         float) {
    Require(index >= 0 && index < 6);
    if (opcode == GUIHOST_OP_READ_PIN_VALUE) {
        std::memcpy(ptr, &g_host->pins[index], sizeof(int32_t));
    }
    if (opcode == GUIHOST_OP_WRITE_PIN_VALUE) {
        g_host->pins[index] = value;
        g_host->written.push_back(index);
        auto* gui = static_cast<GuiHostRecord*>(record);
        gui->dispatcher(gui, GUI_OP_PIN_CHANGED, index, 0, nullptr, 0.0f);
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzHost host;
    g_host = &host;
    FuzzInput input(data, size);
    auto* module = new GuiModule(&Callback, 0);
    GuiHostRecord* record = module->HostRecord();
    while (!input.Empty()) {
        const int32_t pin = static_cast<int32_t>(input.Below(6));
        host.pins[pin] = input.NextInt();
        const int32_t opcode = static_cast<int32_t>(input.Below(16));
        if (opcode == GUI_OP_CLOSE) continue;
        const int32_t index = opcode == GUI_OP_PIN_CHANGED ? pin : input.NextInt();
        const int32_t value = input.NextInt();
        host.written.clear();
        record->dispatcher(record, opcode, index, value, nullptr, 0.0f);
        Require(host.written.empty() ||
                host.written == std::vector<int32_t>{GuiModule::PIN_OUT1, GuiModule::PIN_OUT2});
    }
    record->dispatcher(record, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f);

    // Every draw, whatever the limits, lands between them once the span is too wide for the
    // single-precision arithmetic; upper is Hilimit + 1, as the generator passes it.
    FuzzInput draws(data, size);
    while (!draws.Empty()) {
        const int32_t low = draws.NextInt();
        const int64_t upper = int64_t{draws.NextInt()} + 1;
        const int32_t r = static_cast<int32_t>(draws.Below(32768));
        const int64_t span = upper - low;
        if (span >= -65538 && span <= 65538) continue;
        const int64_t value = GuiModule::DrawInRange(low, upper, r);
        Require(value >= std::min<int64_t>(low, upper) &&
                value <= std::min<int64_t>(std::max<int64_t>(low, upper), INT32_MAX));
    }
    return 0;
}
