// The strong search below the root: a fail-soft principal variation search with the
// transposition table, null move, late move reductions, pruning from the static evaluation and
// the exchange evaluation, and a quiescence search that answers checks. Each search thread runs
// it on its own position (SearchThread::strong_search, search/strong/thread.h); here are the
// numbers every thread shares.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "nnue/accumulator.h"
#include "search/scores.h"

// No node of the strong search lies deeper than this: a node this deep is scored statically. The
// per-ply tables have two rows more, as the ordering clears the killers one ply ahead and a node
// at the limit still starts its principal variation. Iterations end at depth 30, and the check
// extension stops at ply 2 * 30 + 8, so only a long line of captures after that comes near it.
inline constexpr int32_t STRONG_PLY_LIMIT = 128;
inline constexpr int32_t STRONG_PLY_ROWS = STRONG_PLY_LIMIT + 2;
static_assert(STRONG_PLY_LIMIT < ACCUMULATOR_PLIES, "the network's sums reach every ply");

// The numbers that shape the strong search, in one place. Margins are in evaluation units (a
// pawn is 110).
struct StrongParameters {
    int32_t null_move_min_depth = 2;
    int32_t null_move_verify_depth = 10; // verify a null-move cutoff from this depth on
    int32_t reverse_futility_depth = 7;
    int32_t reverse_futility_margin = 90; // per ply of depth
    int32_t razor_depth = 2;
    int32_t razor_margin = 330;
    int32_t futility_depth = 6;
    int32_t futility_base = 90;
    int32_t futility_margin = 90; // per ply of depth
    int32_t late_move_pruning_depth = 8;
    int32_t see_quiet_margin = 70;   // a quiet move may lose this much per ply of depth
    int32_t see_capture_margin = 25; // a capture this much per ply of depth squared
    int32_t see_pruning_depth = 8;
    int32_t reduction_min_depth = 3;
    int32_t reduction_divisor = 225; // hundredths: reductions grow as ln(depth) * ln(move) / this
    int32_t iir_min_depth = 4;
    int32_t delta_margin = 220; // a capture must come this close to alpha in quiescence
    int32_t singular_min_depth = 8;
    int32_t singular_margin = 16;         // eighths of a unit per ply below the table's score
    int32_t double_extension_margin = 25; // a second ply when this far below
    bool use_singular_extension = true;
    bool use_null_move = true;
    bool use_reductions = true;
    bool use_futility = true; // futility, reverse futility and razoring
    bool use_late_move_pruning = true;
    bool use_see_pruning = true;
    bool use_iir = true;
    bool use_check_extension = true;
    bool use_aspiration = true;
    bool use_counter_moves = true;
};
extern StrongParameters strong_parameters;

// The static evaluation of a node in check is not taken.
inline constexpr int32_t NO_EVAL = -2 * INFINITE_SCORE;

// Whether the side to move is in check, where the caller has already asked.
enum class CheckKnown : int8_t { UNKNOWN, IN_CHECK, NOT_IN_CHECK };

// Fills the reduction table (shared by every thread) from the parameters; called before the
// first search.
void init_strong_search();
