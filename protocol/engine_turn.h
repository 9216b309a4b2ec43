// The engine's turn: when it is to move it searches, plays and announces its move, and
// adjudicates the end of the game.
#pragma once

#include <cstdint>
#include <ctime>

inline constexpr int32_t IN_PROGRESS = 0;
inline constexpr int32_t STALEMATE = 1;
inline constexpr int32_t BLACK_MATES = 2;
inline constexpr int32_t WHITE_MATES = 3;
inline constexpr int32_t FIFTY_MOVE_DRAW = 4;
inline constexpr int32_t REPETITION_DRAW = 5;

extern int32_t game_state;

// Runs a search and plays its move when engine_side is to move and force mode is off;
// otherwise does nothing.
void engine_turn();
