// The static evaluation: the score of the current position for the side to move, in units where
// a pawn is 110.
#pragma once

#include <cstdint>

// The root search's copy of non_pawn_count, taken at the start of every iteration.
extern int32_t root_non_pawn_count;

int32_t evaluate();
