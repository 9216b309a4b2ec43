#include "search/classic/ordering.h"

#include <cstring>
#include <type_traits>

#include "board/game.h"
#include "search/classic/iterate.h"
#include "search/classic/search.h"
#include "search/scores.h"

int32_t history_table[BOARD_SQUARES][BOARD_SQUARES];
Move killer1[MAX_PLY];
Move killer2[MAX_PLY];
Move killer3[MAX_PLY];
int32_t killer1_score[MAX_PLY];
int32_t killer2_score[MAX_PLY];
bool follow_pv = false;

namespace {

constexpr int32_t HASH_MOVE_BONUS = 1001000;
constexpr int32_t HASH_MOVE_BONUS_ON_PV = 990000;
constexpr int32_t PV_MOVE_BONUS = 1000000;

// A move's squares and promotion in one number, so that each test against a remembered move is
// one comparison.
inline uint32_t identity_of(const Move& move) {
    return move.from | (uint32_t{move.to} << 8) | (uint32_t{move.promotion} << 16);
}

inline int32_t capture_value(const Move& move) {
    if (move.captured == EMPTY) return 0;
    return 1000 + order_value[move.captured] - order_value[board[move.from]];
}

// The remembered moves an ordering call compares every move with.
struct Remembered {
    uint32_t hash_move, killer1, killer2, killer3;
    // Target squares of the neighbouring plies' first and second killers; 0 (never a target)
    // at the root, which has no neighbours.
    int killer1_before, killer1_after, killer2_before, killer2_after;
};

inline int32_t killer_bonus(uint32_t identity, const Remembered& remembered) {
    if (identity == remembered.killer1) return 1000;
    if (identity == remembered.killer2) return 500;
    if (identity == remembered.killer3) return 250;
    return 0;
}

// Moves to the squares the neighbouring plies' killers went to.
inline int32_t neighbour_killer_bonus(int to, const Remembered& remembered) {
    if (to == remembered.killer1_before) return 200;
    if (to == remembered.killer1_after) return 150;
    if (to == remembered.killer2_before) return 100;
    if (to == remembered.killer2_after) return 50;
    return 0;
}

} // namespace

void order_moves(const Move* list, int32_t* scores, int32_t count, const Move& hash_move) {
    const bool on_pv = follow_pv;
    follow_pv = false;
    const Move& pv_move = pv_table[1][ply];
    Remembered remembered{identity_of(hash_move),
                          identity_of(killer1[ply]),
                          identity_of(killer2[ply]),
                          identity_of(killer3[ply]),
                          0,
                          0,
                          0,
                          0};
    if (ply >= 2) {
        remembered.killer1_before = killer1[ply - 1].to;
        remembered.killer1_after = killer1[ply + 1].to;
        remembered.killer2_before = killer2[ply - 1].to;
        remembered.killer2_after = killer2[ply + 1].to;
    }
    const int32_t hash_move_bonus = on_pv ? HASH_MOVE_BONUS_ON_PV : HASH_MOVE_BONUS;
    for (int32_t i = 0; i < count; ++i) {
        const Move& move = list[i];
        const uint32_t identity = identity_of(move);
        int32_t score = capture_value(move);
        if (identity == remembered.hash_move) score += hash_move_bonus;
        if (on_pv && same_move(move, pv_move)) {
            follow_pv = true;
            scores[i] = score + PV_MOVE_BONUS;
            continue;
        }
        score += history_table[move.from][move.to] >> iteration_depth;
        score += killer_bonus(identity, remembered);
        score += neighbour_killer_bonus(move.to, remembered);
        scores[i] = score;
    }
}

int select_next_move(int32_t* scores, int32_t count) {
    using FourScores = int32_t __attribute__((vector_size(16)));
    FourScores best_four = {SELECTED, SELECTED, SELECTED, SELECTED};
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        FourScores four;
        std::memcpy(&four, scores + i, sizeof four);
        best_four = four > best_four ? four : best_four;
    }
    int32_t best_score = SELECTED;
    for (int lane = 0; lane < 4; ++lane)
        if (best_four[lane] > best_score) best_score = best_four[lane];
    for (; i < count; ++i)
        if (scores[i] > best_score) best_score = scores[i];
    if (best_score == SELECTED) return -1;
    int best_index = 0;
    while (scores[best_index] != best_score)
        ++best_index;
    scores[best_index] = SELECTED;
    return best_index;
}

void record_killer(const Move& move, int32_t score) {
    if (score > killer1_score[ply]) {
        killer2_score[ply] = killer1_score[ply];
        killer1_score[ply] = score;
        killer3[ply] = killer2[ply];
        killer2[ply] = killer1[ply];
        killer1[ply] = move;
    } else if (score > killer2_score[ply]) {
        killer2_score[ply] = score;
        killer3[ply] = killer2[ply];
        killer2[ply] = move;
    }
}

void clear_ordering_tables() {
    // Whole tables at once (an empty move is all zero bytes): the same as entry by entry, but
    // one call each where an instrumented build (the sanitizers, the fuzz targets) would check
    // thousands of single stores before every search.
    static_assert(std::is_trivially_copyable_v<Move>);
    std::memset(history_table, 0, sizeof history_table);
    std::memset(killer1, 0, sizeof killer1);
    std::memset(killer2, 0, sizeof killer2);
    std::memset(killer3, 0, sizeof killer3);
    reset_killer_scores();
}

void reset_killer_scores() {
    for (int p = 0; p < MAX_PLY; ++p)
        killer1_score[p] = killer2_score[p] = -INFINITE_SCORE;
}
