// The hosts the benchmarks hand to the module's objects: as little work per call as a host can do,
// so that what the figures show is the module's own cost.
#ifndef BENCH_HOSTS_H
#define BENCH_HOSTS_H

#include <cstdint>

#include "QVHostTypes.h"

namespace BenchHosts {

// The GUI pins' values: reads come from here, writes go here.
extern int32_t g_pins[6];

// Answers GUIHOST_OP_READ_PIN_VALUE from g_pins and takes GUIHOST_OP_WRITE_PIN_VALUE into it.
QVWord QV_CDECL TableHost(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                          float opt);

// Answers every call with 0: no audio pins, sample clock 0.
QVWord QV_CDECL QuietHost(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                          float opt);

}  // namespace BenchHosts

#endif
