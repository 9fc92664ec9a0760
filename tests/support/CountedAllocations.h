// The global operator new of the test program that links CountedAllocations.cpp, counting every
// allocation: a test reads the count before and after the code it watches.
#ifndef COUNTED_ALLOCATIONS_H
#define COUNTED_ALLOCATIONS_H

#include <cstdint>

uint64_t CountedAllocations();

#endif
