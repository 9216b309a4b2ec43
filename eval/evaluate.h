// The static evaluation: the score of a position for its side to move, in units where a pawn is
// 110. It reads the position and the weights and changes neither.
#pragma once

#include <cstdint>

struct Position;
struct PawnCache;

// The root search's copy of non_pawn_count, taken at the start of every iteration.
extern int32_t root_non_pawn_count;

// Phases by the number of knights, bishops, rooks and queens of both colours (14 at the start).
inline constexpr int32_t OPENING_MINIMUM = 13;
inline constexpr int32_t MIDDLEGAME_MINIMUM = 7;

// Chooses the phase by the knights, bishops, rooks and queens left (non_pawn_count): 13 or
// more the opening, 7 to 12 the middlegame, 6 or fewer the endgame. `pawn_cache` holds the pawn
// structures seen before (eval/pawn_structure.h); a thread that evaluates keeps its own.
int32_t evaluate(const Position& pos, PawnCache& pawn_cache);

// The same for the game position (board/game.h), with the game's own cache.
int32_t evaluate();

// The game's pawn cache (eval/game_evaluation.cpp).
extern PawnCache game_pawn_cache;
