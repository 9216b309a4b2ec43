// The strong search's root: the list of legal root moves, each with its score and principal
// variation, searched by iterative deepening inside aspiration windows under the strong time
// management. The list can be narrowed before a search and every move in it re-searched, each
// keeping its own line, so that more best lines or a restricted set of moves can be asked for.
// Each search thread keeps its own list (search/strong/thread.h).
#pragma once

#include <cstdint>

#include "board/position.h"
#include "search/root_lines.h"

// The move to play in the game position (board/game.h): the book's, or the best move of the
// strong search; NULL_MOVE when the root has no legal move or is already a draw (game_state
// tells which). The counterpart of search_best_move, with the same limits (search_limits, and
// strong_clock for the clock), the same thinking output and the same game-end detection at the
// root. The game position is the same afterwards; node_count and root_score tell the search's
// nodes (every thread's) and score.
Move strong_search_best_move();

// Each iteration's order of the root moves: moves[first], the line's best move so far, stays
// where it is; the moves behind it go by the nodes searched under them in this search, most
// first, equal counts keeping their order. A move whose refutation took many nodes is the
// likeliest to beat the best one, and a beaten best move stays near the front.
void order_root_moves_by_nodes(RootMove* moves, int32_t first, int32_t count);

// ucinewgame: the strong search forgets what its tables learnt.
void strong_new_game();
