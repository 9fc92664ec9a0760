// Where in the process a crash happened, as a module author looks it up: the library holding the
// faulting instruction, its offset there and the nearest symbol the library shows, written into a
// crash line with no allocation:
//   at Echo.so+0x2f1c (Crash+0x3c)
// The offset is what `addr2line -e LIB` (for an ELF library) or the image base plus it (for a DLL,
// with `objdump -d`) turns into a source line.
#ifndef QVHOST_FAULT_PLACE_H
#define QVHOST_FAULT_PLACE_H

#include "CrashLine.h"

class FaultPlace {
public:
    // Appends " at LIBRARY+0xOFFSET (SYMBOL+0xOFFSET)" for `instruction`, leaving out what cannot
    // be found; nothing for a null address.
    static void Describe(const void* instruction, CrashLine& line);
    // Appends " at 0xADDRESS" alone. Finding the library waits for the loader's lock, which the
    // host's own thread may hold while it loads or frees a library: a crash on another thread
    // would then never end.
    static void Address(const void* instruction, CrashLine& line);
    // The instruction a fault signal interrupted, from the handler's context; null where unknown.
    static const void* Instruction(const void* signal_context);
};

#endif
