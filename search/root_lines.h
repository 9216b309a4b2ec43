// What a front end may ask of a search at the root beyond the best move: several best lines a
// depth (MultiPV), a restricted set of root moves (searchmoves), the end of the search once a
// short enough mate is found, and a search that thinks on the opponent's time. Both searches
// honour them; the xboard engine asks for none, and with the defaults neither search does any
// of it.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/position.h"

// Longest principal variation kept per root move.
inline constexpr int32_t ROOT_PV_SIZE = 128;

// A root move with its score and its own principal variation.
struct RootMove {
    Move move;
    int32_t score; // of the last iteration that searched it exactly; -INFINITE_SCORE otherwise
    uint8_t bound; // BOUND_EXACT, or the bound score is when a window cut its search short
    int32_t previous_score; // the iteration before's
    int32_t pv_length;      // moves in pv, the root move first
    Move pv[ROOT_PV_SIZE];
};

// Which line the thinking output is told about when a search reports the end of a depth: 1 for
// the best, 2 for the second best, and so on. A search with more lines than one reports each
// completed depth once per line, best first, with pv_table row 1 holding that line.
extern int32_t reported_line;

// What the score the thinking output is told about is: BOUND_EXACT, or BOUND_LOWER /
// BOUND_UPPER for the line of a search cut off before a re-search settled its score.
extern uint8_t reported_bound;

// Set by a front end while the search thinks on the opponent's time: the clock does not count,
// and the search ends only when told to stop. Cleared when the opponent plays the expected move
// ("ponderhit"): the search goes on as a timed one, with the time it has already taken.
extern std::atomic<bool> pondering;

// True when the root move may be searched: the limits name no root moves, or name this one.
bool root_move_allowed(const Move& move);

// True when the limits ask for a mate in at most some number of moves and the root score is
// such a mate for the side to move.
bool mate_limit_reached(int32_t root_score);

// The principal variation the root move's child left in pv_table row 1, kept with the move.
void keep_variation(RootMove& root);

// A root move's variation put back into pv_table row 1, where the thinking output reads it.
void show_variation(const RootMove& root);

// Orders lines[0 .. count-1] by score, best first; lines of equal score keep their order.
void sort_root_lines(RootMove* lines, int32_t count);
