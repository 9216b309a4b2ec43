// Move ordering of the strong search: the table move, then captures that do not lose material
// (most valuable victim first), killers and the counter move, quiet moves by their history,
// and last the captures the exchange evaluation calls losing. The tables that learn from
// cutoffs (history per side and squares, two killers per ply, a counter move per previous piece
// and square, the continuation history) are each search thread's own (search/strong/thread.h);
// here are what they share.
#pragma once

#include <array>
#include <cstdint>

#include "board/position.h"

// History scores stay within +-HISTORY_LIMIT: each update moves a score part of the way
// towards the limit, so old results fade as new ones come.
inline constexpr int32_t HISTORY_LIMIT = 16384;

// One row of the continuation history: a quiet move's score by its piece and target.
using ContinuationRow = int16_t[PIECE_CODES][64];

// The board square's number 0..63 (0 for border squares and square 0, a null move's).
inline constexpr std::array<uint8_t, BOARD_SQUARES> square_64 = [] {
    std::array<uint8_t, BOARD_SQUARES> numbers{};
    for (int bit = 0; bit < 64; ++bit)
        numbers[square_of_bit[bit]] = static_cast<uint8_t>(bit);
    return numbers;
}();

inline bool is_queen_promotion(const Move& move) {
    return move.promotion == WHITE_QUEEN || move.promotion == BLACK_QUEEN;
}

inline bool is_quiet(const Move& move) {
    return move.captured == EMPTY && move.promotion == 0;
}

// Score bands, far enough apart that nothing inside a band reaches the next.
inline constexpr int32_t TABLE_MOVE_SCORE = 1000000000;
inline constexpr int32_t GOOD_CAPTURE_BAND = 200000000;
inline constexpr int32_t FIRST_KILLER_SCORE = 100000002;
inline constexpr int32_t SECOND_KILLER_SCORE = 100000001;
inline constexpr int32_t COUNTER_MOVE_SCORE = 100000000;
inline constexpr int32_t BAD_CAPTURE_BAND = -100000000;

// Killers and the counter move score in a band of their own above the other quiet moves.
inline bool is_killer_or_counter_score(int32_t score) {
    return score >= COUNTER_MOVE_SCORE && score <= FIRST_KILLER_SCORE;
}
inline bool is_losing_capture_score(int32_t score) {
    return score < BAD_CAPTURE_BAND / 2;
}
