// A compact copy of what the evaluation reads of a position, so that the tuner can hold hundreds
// of thousands of positions in memory and put each back on the board in a fraction of the time
// the evaluation itself takes.
#pragma once

#include <cstdint>

#include "board/position.h"

// The men in piece-list order (holes dropped: the evaluation sums over the men, so their order
// does not change the score), which squares have seen a move (the evaluation only asks whether
// a square's move count is 0), the side to move, the castling records, and non_pawn_count,
// which a promotion does not raise and so cannot be counted from the men.
struct StoredPosition {
    uint8_t squares[32];
    uint8_t codes[32];
    uint64_t moved; // bit 8 * rank + file (0-based) set: that square's move count is not 0
    uint8_t men;
    uint8_t side_to_move;
    uint8_t white_castled;
    uint8_t black_castled;
    int8_t non_pawn_count; // below 0 once promoted pieces have been taken again
};

// The engine's current position in compact form.
StoredPosition store_position();

// Puts a stored position on the engine's board: everything the evaluation reads. The keys, the
// game history and the en-passant square are left as they were, so the result is for
// evaluation only, not for play or search.
void restore_position(const StoredPosition& stored);

// evaluate() of the current position from white's point of view.
int32_t white_score();
