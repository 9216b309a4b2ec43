// Repetition and the fifty-move threshold.
#pragma once

#include "board/position.h"

// Inside the search path a single earlier occurrence of the position counts; before the root
// the position must already stand twice, so that with the current one it stands three times.
// Both scans stop at the last pawn move or capture.
bool is_repetition();

// The fifty-move rule draws from the 101st half-move without a pawn move or capture.
inline constexpr int32_t FIFTY_MOVE_LIMIT = 100;
inline bool fifty_move_rule_reached() {
    return fifty_counter > FIFTY_MOVE_LIMIT;
}
