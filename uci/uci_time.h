// How long to think on a UCI "go".
#pragma once

#include <cstdint>

struct GoCommand {
    int64_t own_time = -1; // milliseconds left for the side to move; -1 when not given
    int64_t other_time = -1;
    int64_t own_increment = 0;
    int32_t moves_to_go = 0;
    int64_t move_time = -1; // milliseconds for this move exactly
    int32_t depth = 0;
    int64_t nodes = 0;
    bool infinite = false;
};

// The centiseconds for a move from the clocks: the xboard engine's share of the remaining
// time (at least an even share of it over the moves to go), plus three quarters of the
// increment, never more than the time left minus a safety margin. Also sets the engine's and
// the opponent's clocks for the search.
int32_t uci_time_allotment(const GoCommand& go);

// The search limits for a "go": the classic search's allotment included, and the clock reading
// the strong search plans its own time from.
void set_limits_for(const GoCommand& go);
