// Static exchange evaluation: what a capture (or a move to an attacked square) wins or loses
// when both sides keep recapturing on its target square with their least valuable piece, each
// free to stop when going on would lose. Used by the strong search to order and prune moves.
#pragma once

#include <cstdint>

#include "board/position.h"

// Piece values of the exchange, by piece code, in evaluation units (a pawn is 110): the
// evaluation's material values, the king above any material a capture could win.
inline constexpr int32_t see_value[PIECE_CODES] = {0,   110, 110,  420,  420, 20000, 20000,
                                                   685, 685, 1240, 1240, 435, 435,   0};

// The material the move gains for the side to move of `pos` after the best sequence of recaptures
// on its target square (negative when it loses). Reads the position and leaves it as it was.
int32_t static_exchange(const Position& pos, const Move& move);

// True when static_exchange(move) >= threshold, answered early where the first capture alone
// decides, and otherwise by an exchange that stops as soon as no further capture can change
// the answer.
bool see_at_least(const Position& pos, const Move& move, int32_t threshold);
