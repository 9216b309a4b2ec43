#include "search/ordering.h"

#include <cstring>
#include <type_traits>

#include "search/iterate.h"
#include "search/scores.h"
#include "search/search.h"

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

inline int32_t capture_value(const Move& move) {
    if (move.captured == EMPTY) return 0;
    return 1000 + order_value[move.captured] - order_value[board[move.from]];
}

inline int32_t killer_bonus(const Move& move) {
    if (same_move(move, killer1[ply])) return 1000;
    if (same_move(move, killer2[ply])) return 500;
    if (same_move(move, killer3[ply])) return 250;
    return 0;
}

// Moves to the squares the neighbouring plies' killers went to; the root has no neighbours.
inline int32_t neighbour_killer_bonus(const Move& move) {
    if (ply < 2) return 0;
    if (move.to == killer1[ply - 1].to) return 200;
    if (move.to == killer1[ply + 1].to) return 150;
    if (move.to == killer2[ply - 1].to) return 100;
    if (move.to == killer2[ply + 1].to) return 50;
    return 0;
}

} // namespace

void order_moves(const Move* list, int32_t* scores, int32_t count, const Move& hash_move) {
    const bool on_pv = follow_pv;
    follow_pv = false;
    const Move& pv_move = pv_table[1][ply];
    for (int32_t i = 0; i < count; ++i) {
        const Move& move = list[i];
        int32_t score = capture_value(move);
        if (same_move(move, hash_move)) score += on_pv ? HASH_MOVE_BONUS_ON_PV : HASH_MOVE_BONUS;
        if (on_pv && same_move(move, pv_move)) {
            follow_pv = true;
            scores[i] = score + PV_MOVE_BONUS;
            continue;
        }
        score += history_table[move.from][move.to] >> iteration_depth;
        score += killer_bonus(move);
        score += neighbour_killer_bonus(move);
        scores[i] = score;
    }
}

// The best score is found four scores at a time (a scan one by one is a chain of dependent
// compares as long as the list), then the first move that has it.
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
