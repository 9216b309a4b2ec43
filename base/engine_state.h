// What the engine's lower layers (board, search, book) share with its front ends: how the game
// stands, whether the thinking lines are shown, and the engine's one way out. Declared here so
// that those layers need nothing from the front ends; the xboard front end (protocol/) defines
// them, and the UCI engine links the same definitions.
#pragma once

#include <cstdint>

// The values of game_state.
inline constexpr int32_t IN_PROGRESS = 0;
inline constexpr int32_t STALEMATE = 1;
inline constexpr int32_t BLACK_MATES = 2;
inline constexpr int32_t WHITE_MATES = 3;
inline constexpr int32_t FIFTY_MOVE_DRAW = 4;
inline constexpr int32_t REPETITION_DRAW = 5;

// How the game stands: set by a new game, by the search at the root and by the engine's turn
// (protocol/engine_turn.cpp).
extern int32_t game_state;

// Set: the search prints its thinking lines ("post"; protocol/command_loop.cpp).
extern uint8_t post_flag;

// Releases the transposition table and ends the process, flushing standard output
// (protocol/startup.cpp).
[[noreturn]] void exit_engine(int status);
