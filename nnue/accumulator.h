// The network's accumulators along the search path. Each ply's entry holds both sides' first
// layer sums for the position at that ply. Making a move only notes what it changed on the
// board; the sums are brought up to date when a position is evaluated, from the nearest ply
// above whose sums are known (taking a move back costs nothing: the entry is simply left).
#pragma once

#include <cstdint>

#include "board/position.h"

// Whether the strong search evaluates with the network (set by the front end; only when a
// network is loaded).
extern bool nnue_enabled;

// The position at the current ply is a new starting point: its sums are computed afresh.
void nnue_refresh();

// After a move has been made (ply already counted): what it changed, for the entry at ply.
void nnue_note_move(const Move& move);
// After a null move: the entry at ply is its parent's position with the other side to move.
void nnue_note_null_move();

// The network's evaluation of the current position, in evaluation units from the side to
// move's view.
int32_t nnue_evaluate();

// The same, computed from the board alone without the entries (for tests and checks).
int32_t nnue_evaluate_from_scratch();

// True when the sums brought up to date for the current ply equal sums computed afresh from the
// board (the debug build checks this at every evaluation).
bool nnue_accumulator_is_current();

// Which arithmetic the evaluation uses: AVX2 where the processor has it (chosen when the
// program starts), else the portable one; both give the same numbers. Tests switch it.
bool nnue_avx2_available();
void nnue_use_avx2(bool use);
// Whether the evaluation uses AVX2 now.
bool nnue_uses_avx2();
