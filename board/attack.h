// Attack and check detection (declared in board/position.h): the test a search asks of every
// move in check, defined here so that it is inlined.
#pragma once

#include <cstdint>

#include "board/position.h"

inline bool Position::may_answer_check(const Move& move, uint64_t evasion_squares) const {
    const int32_t mover = board[move.from];
    return mover == WHITE_KING || mover == BLACK_KING || move.ep_flag ||
           (square_bit[move.to] & evasion_squares) != 0;
}
