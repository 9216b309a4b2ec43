// Iterative deepening at the root: the book first, then depth 1, 2, ... under the time
// allotment, with game-end detection at the root.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/position.h"

inline constexpr int32_t MAX_ITERATION_DEPTH = 30;

extern int32_t iteration_depth;
extern int32_t time_allotted; // centiseconds for this move
extern bool may_extend_time;  // the one doubling of the allotment a search may take
extern bool score_dropped;    // the root score fell more than 30 below the last iteration's
extern bool search_aborted;
extern bool first_move_aborted;
extern int32_t root_score;
extern int32_t last_iteration_score; // survives from one search to the next
// Legal moves made by the search. 64 bits: a long analysis passes 2^31 nodes.
extern int64_t node_count;

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
};
extern SearchLimits search_limits;

// Set from another thread (a front end's input reader) to end the search as if its time were
// up; it is read where the search reads the clock.
extern std::atomic<bool> stop_requested;

// The move to play: the book's, or the best move of the last iteration that produced one, or
// NULL_MOVE when the root has no legal move or is a draw (game_state tells which).
Move search_best_move();

// One iteration at the root (ply 1); every root move is searched with the full window.
Move search_root(int32_t alpha, int32_t beta, int32_t depth);

// Lengthens a short principal variation from the table's moves, at most n moves from the root.
void extend_pv_from_table(int32_t n);

// The time check of a search node: true when the allotment has passed and the one extension
// does not apply.
bool out_of_time();
