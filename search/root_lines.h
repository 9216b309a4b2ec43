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
    int64_t nodes;          // the strong search thread's nodes under it in this search
    int32_t pv_length;      // moves in pv, the root move first
    Move pv[ROOT_PV_SIZE];
};

// Set by a front end while the search thinks on the opponent's time: the clock does not count,
// and the search ends only when told to stop. Cleared when the opponent plays the expected move
// ("ponderhit"): the search goes on as a timed one, with the time it has already taken.
extern std::atomic<bool> pondering;

// True when the root move may be searched: the limits name no root moves, or name this one.
bool root_move_allowed(const Move& move);

// True when the limits ask for a mate in at most some number of moves and the root score is
// such a mate for the side to move.
bool mate_limit_reached(int32_t root_score);

// A principal variation, the root move first, kept with the root move (as much of it as fits).
void keep_variation(RootMove& root, const Move* pv, int32_t length);

// Orders lines[0 .. count-1] by score, best first; lines of equal score keep their order.
void sort_root_lines(RootMove* lines, int32_t count);
