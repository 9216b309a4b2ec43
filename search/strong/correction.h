// Correction history of the strong search: how far its searches found the static evaluation
// off, learnt per side to move for the pawn structure and for the material on the board, and
// added to the evaluation of later positions with the same pawns or the same material. An
// evaluation that misjudges a structure is then corrected for the rest of the game.
#pragma once

#include <cstdint>

// The static evaluation of the current position corrected by what was learnt.
int32_t corrected_evaluation(int32_t raw_evaluation);

// A search of `depth` found `score` where the evaluation (uncorrected) said `raw_evaluation`:
// both tables move towards the difference, the more the deeper the search.
void learn_evaluation_error(int32_t raw_evaluation, int32_t score, int32_t depth);

// Forgets everything (a new game).
void clear_correction_history();
