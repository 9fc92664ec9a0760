#include "BenchHosts.h"

#include <cstring>

namespace BenchHosts {

int32_t g_pins[6];

QVWord QV_CDECL TableHost(void*, int32_t opcode, int32_t index, int32_t value, void* ptr, float) {
    if (opcode == GUIHOST_OP_READ_PIN_VALUE) std::memcpy(ptr, &g_pins[index], sizeof(int32_t));
    if (opcode == GUIHOST_OP_WRITE_PIN_VALUE) g_pins[index] = value;
    return 0;
}

QVWord QV_CDECL QuietHost(void*, int32_t, int32_t, int32_t, void*, float) { return 0; }

}  // namespace BenchHosts
