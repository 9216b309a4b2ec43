// What a front end or tool sets before a search of either kind and reads after it: the limits
// that bound the search, the flag that stops it from another thread, and its node count and
// root score.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/position.h"

// The deepest iteration of either search.
inline constexpr int32_t MAX_ITERATION_DEPTH = 30;

// What bounds a search besides the depth of 30. The xboard engine uses the clock alone, as the
// defaults say; tools and other front ends set their own limits.
struct SearchLimits {
    int32_t max_depth = MAX_ITERATION_DEPTH;
    bool use_clock = true;        // stop when the allotment has passed
    int32_t fixed_allotment = -1; // centiseconds; -1: allot_time() from the two clocks
    bool stop_early = true;       // start no iteration once 2/3 of the allotment has passed
    bool may_extend = true;       // one doubling of the allotment for a dropping score
    int64_t max_nodes = 0;        // 0: no limit
    // The xboard engine ends the game itself when the root is drawn by repetition or the
    // fifty-move rule, and plays no move. A UCI interface adjudicates the game itself and asks
    // for a move in any position that has one.
    bool root_draw_ends_search = true;
    // What a front end may ask at the root (search/root_lines.h): the best lines reported per
    // depth, a mate in at most this many moves that ends the search (0: none), and the root
    // moves to search (none named: every one).
    int32_t multi_pv = 1;
    int32_t mate_moves = 0;
    int32_t search_move_count = 0;
    Move search_moves[MAX_MOVES];
    // The strong search's helper threads search beside its main thread (when there are any);
    // a strength level plays on the main thread alone, so that its node budget means the same
    // with any number of threads.
    bool use_helpers = true;
};
extern SearchLimits search_limits;

// Set from another thread (a front end's input reader) to end the search as if its time were
// up; it is read where the search reads the clock.
extern std::atomic<bool> stop_requested;

// Legal moves made by the search in progress or the last one. 64 bits: a long analysis passes
// 2^31 nodes.
extern int64_t node_count;

// The root's score of the last search, from the side to move's point of view.
extern int32_t root_score;
