// Move ordering of the strong search: the table move, then captures that do not lose material
// (most valuable victim first), killers and the counter move, quiet moves by their history,
// and last the captures the exchange evaluation calls losing. The tables that learn from
// cutoffs (history per side and squares, two killers per ply, a counter move per previous piece
// and square, the continuation history) are each search thread's own (search/strong/thread.h);
// here are what they share.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Sorts list[from .. to-1] and their scores, highest score first; equal scores keep their
// order (an insertion sort: the lists are short and often nearly sorted).
inline void sort_by_score(Move* list, int32_t* scores, int32_t from, int32_t to) {
    for (int32_t i = from + 1; i < to; ++i) {
        const Move move = list[i];
        const int32_t score = scores[i];
        int32_t j = i - 1;
        for (; j >= from && scores[j] < score; --j) {
            list[j + 1] = list[j];
            scores[j + 1] = scores[j];
        }
        list[j + 1] = move;
        scores[j + 1] = score;
    }
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

// What same_move compares (the two squares and the promotion) in one number, so that a move
// is matched against the table move, the killers and the counter move by one comparison each.
inline uint32_t move_identity(const Move& move) {
    uint16_t squares;
    std::memcpy(&squares, &move, sizeof squares); // `from` and `to`, the record's first bytes
    return squares | static_cast<uint32_t>(move.promotion) << 16;
}
static_assert(offsetof(Move, from) == 0 && offsetof(Move, to) == 1);

// The position of the first highest score in scores[from .. count-1] (count > from): the
// highest found first, in a loop the compiler can vectorise, then its first occurrence.
inline int32_t first_best(const int32_t* scores, int32_t from, int32_t count) {
    int32_t highest = scores[from];
    for (int32_t i = from + 1; i < count; ++i)
        highest = std::max(highest, scores[i]);
    int32_t best = from;
#if defined(__SSE2__)
    // Four scores at a time; the last ones, or all on other machines, one by one.
    const __m128i wanted = _mm_set1_epi32(highest);
    for (; best + 4 <= count; best += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(scores + best));
        const int equal = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(four, wanted)));
        if (equal != 0) return best + __builtin_ctz(static_cast<unsigned>(equal));
    }
#endif
    while (scores[best] != highest)
        ++best;
    return best;
}
