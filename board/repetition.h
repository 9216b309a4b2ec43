// Repetition and the fifty-move threshold (declared in board/position.h).
#pragma once

#include "board/position.h"

// The fifty-move rule draws from the 101st half-move without a pawn move or capture.
inline constexpr int32_t FIFTY_MOVE_LIMIT = 100;
inline bool Position::fifty_move_rule_reached() const {
    return fifty_counter > FIFTY_MOVE_LIMIT;
}
