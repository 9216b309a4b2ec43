// How long to think on a UCI "go", and what else it asks of the search.
#pragma once

#include <cstdint>
#include <vector>

#include "board/position.h"

struct GoCommand {
    int64_t own_time = -1; // milliseconds left for the side to move; -1 when not given
    int64_t other_time = -1;
    int64_t own_increment = 0;
    int32_t moves_to_go = 0;
    int64_t move_time = -1; // milliseconds for this move exactly
    int32_t depth = 0;
    int64_t nodes = 0;
    int32_t mate = 0; // moves; 0 when not asked
    bool infinite = false;
    bool ponder = false;
    std::vector<Move> search_moves; // legal moves only; empty: every move
};

// The centiseconds for a move from the clocks: the xboard engine's share of the remaining
// time (at least an even share of it over the moves to go), plus three quarters of the
// increment, less the move overhead, never more than the time left minus the overhead and a
// twentieth. Also sets the engine's and the opponent's clocks for the search.
int32_t uci_time_allotment(const GoCommand& go, int64_t move_overhead);

// The search limits for a "go": the classic search's allotment included, the clock reading
// the strong search plans its own time from, and the root's lines, moves and mate limit.
void set_limits_for(const GoCommand& go, int64_t move_overhead, int32_t multi_pv);
