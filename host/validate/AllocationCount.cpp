#include "AllocationCount.h"

bool AllocationCount::s_replaced = false;
bool AllocationCount::s_counting = false;
uint64_t AllocationCount::s_count = 0;
