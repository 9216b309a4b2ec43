// The static evaluation: the score of the current position for the side to move, in units where
// a pawn is 110. It reads the position and the weights and changes neither.
#pragma once

#include <cstdint>

// The root search's copy of non_pawn_count, taken at the start of every iteration.
extern int32_t root_non_pawn_count;

// Phases by the number of knights, bishops, rooks and queens of both colours (14 at the start).
inline constexpr int32_t OPENING_MINIMUM = 13;
inline constexpr int32_t MIDDLEGAME_MINIMUM = 7;

// Chooses the phase by the knights, bishops, rooks and queens left (non_pawn_count): 13 or
// more the opening, 7 to 12 the middlegame, 6 or fewer the endgame.
int32_t evaluate();

// The phase evaluators. Each expects scan_pawns() to have run (the pawn structure found,
// eval_score at 0), walks the piece list once, applies its final terms and returns the score
// for the side to move.
int32_t evaluate_opening();
int32_t evaluate_middlegame();
int32_t evaluate_endgame();
