// The global operator new and delete of the test program that links CountedAllocations.cpp,
// counting every allocation and every block not yet freed: a test reads the counts before and
// after the code it watches.
#ifndef COUNTED_ALLOCATIONS_H
#define COUNTED_ALLOCATIONS_H

#include <cstdint>

uint64_t CountedAllocations();
// Blocks allocated through operator new and not yet deleted.
int64_t LiveAllocations();

#endif
