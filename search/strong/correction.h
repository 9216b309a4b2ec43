// Correction history of the strong search: how far its searches found the static evaluation
// off, learnt per side to move for the pawn structure and for the material on the board, and
// added to the evaluation of later positions with the same pawns or the same material. An
// evaluation that misjudges a structure is then corrected for the rest of the game. Each search
// thread learns in tables of its own (search/strong/thread.h).
#pragma once

#include <cstdint>

// Slots per side: pawn keys and material signatures are spread over this many.
inline constexpr uint32_t CORRECTION_SLOTS = 1u << 14;
