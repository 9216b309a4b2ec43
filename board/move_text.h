// Moves as coordinate text: from-square, to-square and a lower-case promotion letter (e2e4,
// e7e8q). Castling is the king's move (e1g1), en passant the capturing pawn's move.
#pragma once

#include "board/position.h"

// Room for four or five characters and the terminating zero.
inline constexpr int MOVE_TEXT_SIZE = 6;

// Writes the text of `move`. NULL_MOVE comes out as a text no legal move has.
void format_move(char* text, const Move& move);

// True when `text` is exactly the text of a legal move of the current position; that move is
// stored in `result`. Every generated move is formatted and compared, so the two directions
// cannot disagree. The position is the same afterwards.
bool parse_user_move(const char* text, Move& result);
