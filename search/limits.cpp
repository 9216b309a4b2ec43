#include "search/limits.h"

SearchLimits search_limits;
std::atomic<bool> stop_requested{false};
int64_t node_count = 0;
int32_t root_score = 0;
