#include "AllocationCount.h"

bool AllocationCount::s_replaced = false;
bool AllocationCount::s_counting = false;
bool AllocationCount::s_in_module = false;
uint64_t AllocationCount::s_count = 0;
int64_t AllocationCount::s_live = 0;
CrossingCall AllocationCount::s_current_call{};
CrossingCall AllocationCount::s_first_call{};
CrossingCall AllocationCount::s_latest_call{};
