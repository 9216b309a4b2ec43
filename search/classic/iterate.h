// Iterative deepening at the root: the book first, then depth 1, 2, ... under the time
// allotment, with game-end detection at the root.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "search/limits.h"

extern int32_t iteration_depth;
extern int32_t time_allotted; // centiseconds for this move
extern bool may_extend_time;  // the one doubling of the allotment a search may take
extern bool score_dropped;    // the root score fell more than 30 below the last iteration's
extern bool search_aborted;
extern bool first_move_aborted;
extern int32_t last_iteration_score; // survives from one search to the next

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
