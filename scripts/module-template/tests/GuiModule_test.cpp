#include "GuiModule.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace {
// A host for one GUI-side object: pin reads answer from `pins`, pin writes are kept in `writes`.
std::map<int32_t, float> pins;
std::vector<std::pair<int32_t, float>> writes;

QVWord QV_CDECL Host(void*, int32_t opcode, int32_t index, int32_t, void* ptr, float opt) {
    if (opcode == GUIHOST_OP_READ_PIN_VALUE) std::memcpy(ptr, &pins[index], sizeof(float));
    if (opcode == GUIHOST_OP_WRITE_PIN_VALUE) writes.emplace_back(index, opt);
    return 0;
}

struct Call {
    int32_t opcode;
    int32_t index;
    float in;
    std::vector<std::pair<int32_t, float>> writes;
};
const Call kCalls[] = {
    {GUI_OP_INITIALISE, 1, 1.5f, {{GuiModule::PIN_OUT, 3.0f}}},
    {GUI_OP_PIN_CHANGED, GuiModule::PIN_IN, -21.0f, {{GuiModule::PIN_OUT, -42.0f}}},
    {GUI_OP_PIN_CHANGED, GuiModule::PIN_OUT, 4.0f, {}},  // the host reporting our own write
};
}  // namespace

TEST(GuiModule, WritesTwiceInToOut) {
    for (const Call& c : kCalls) {
        GuiHostRecord* record = (new GuiModule(&Host, 0))->HostRecord();
        pins[GuiModule::PIN_IN] = c.in;
        writes.clear();
        record->dispatcher(record, c.opcode, c.index, 0, nullptr, 0.0f);
        EXPECT_EQ(writes, c.writes) << "opcode " << c.opcode << ", pin " << c.index;
        EXPECT_EQ(record->dispatcher(record, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f), 1);
    }
}
