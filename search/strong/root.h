// The strong search's root: the list of legal root moves, each with its score and principal
// variation, searched by iterative deepening inside aspiration windows under the strong time
// management. The list can be narrowed before a search and every move in it re-searched, each
// keeping its own line, so that more best lines or a restricted set of moves can be asked for.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "search/root_lines.h"

extern RootMove root_moves[MAX_MOVES];
extern int32_t root_move_count;

// The legal moves of the current position that the limits allow (all of them when they allow
// none), in the strong ordering (table move, captures, quiet moves), into root_moves.
void collect_root_moves();

// The move to play: the book's, or the best move of the strong search; NULL_MOVE when the root
// has no legal move or is already a draw (game_state tells which). The counterpart of
// search_best_move, with the same limits (search_limits, and strong_clock for the clock), the
// same thinking output and the same game-end detection at the root.
Move strong_search_best_move();

// One iteration over root_moves[first .. root_move_count-1] within (alpha, beta); returns the
// best score (a bound when it falls outside the window). The best move ends up at `first`.
int32_t search_root_moves(int32_t alpha, int32_t beta, int32_t depth, int32_t first);

// ucinewgame: the strong search forgets what its ordering learnt.
void strong_new_game();
