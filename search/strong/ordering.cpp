#include "search/strong/ordering.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "board/attack.h"
#include "search/strong/search.h"
#include "search/strong/see.h"
#include "search/strong/thread.h"

namespace {

// The most a history bonus adds at once: depth squared, capped.
constexpr int32_t MAX_HISTORY_BONUS = 1200;
// A capture's history counts this fraction of its value in the ordering: less than the gap
// between two victims, so that it orders the captures of one victim and rarely more.
constexpr int32_t CAPTURE_HISTORY_DIVISOR = 8;
// Marks a capture in the good band that still needs the exchange evaluation.
constexpr int32_t UNCHECKED_CAPTURE = 1;
// Moves picked one at a time before the rest of a list is sorted.
constexpr int32_t SORT_AFTER_PICKS = 3;
// Only the quiet moves tried before a cutoff are punished; more than this many are not
// remembered.
constexpr int32_t MAX_TRIED_QUIETS = 64;

// Moves a history score towards +-HISTORY_LIMIT by `bonus`, less the closer it already is.
inline void nudge_history(int16_t& entry, int32_t bonus) {
    const int32_t value = entry;
    entry = static_cast<int16_t>(value + bonus - value * std::abs(bonus) / HISTORY_LIMIT);
}

} // namespace

// Most valuable victim first, the cheapest attacker first among equal victims.
inline int32_t SearchThread::victim_attacker_score(const Move& move) const {
    const int32_t victim = move.captured == EMPTY ? 0 : see_value[move.captured];
    const int32_t promotion = move.promotion == 0 ? 0 : see_value[move.promotion];
    return (victim + promotion) * 16 - see_value[board[move.from]] / 128;
}

// The victim and attacker, then how captures like it have fared.
int32_t SearchThread::capture_order_score(const Move& move) {
    return victim_attacker_score(move) + capture_history_of(move) / CAPTURE_HISTORY_DIVISOR;
}

// Settles an unchecked capture's place by the exchange evaluation: it keeps its score, without
// the mark, or moves to the losing band. True when it moved.
bool SearchThread::settle_capture(const Move& move, int32_t& score) const {
    // (A capture whose history has sunk far scores a little below the band's base: the band
    // reaches down to half way to the killers.)
    if (score < GOOD_CAPTURE_BAND / 2 || score >= TABLE_MOVE_SCORE ||
        (score & UNCHECKED_CAPTURE) == 0)
        return false;
    if (see_at_least(*this, move, 0)) {
        score -= UNCHECKED_CAPTURE;
        return false;
    }
    score = BAD_CAPTURE_BAND + victim_attacker_score(move);
    return true;
}

int32_t SearchThread::capture_score(const Move& move) {
    // A promotion to less than a queen is worth less than any quiet move. A capture by a piece
    // worth more than its victim may lose material: the exchange evaluation decides when it
    // comes up (most nodes end before).
    const int32_t value = capture_order_score(move);
    if (move.promotion != 0 && !is_queen_promotion(move)) return BAD_CAPTURE_BAND + value;
    if (move.promotion == 0 && see_value[move.captured] < see_value[board[move.from]])
        return GOOD_CAPTURE_BAND + 2 * value + UNCHECKED_CAPTURE;
    return GOOD_CAPTURE_BAND + 2 * value;
}

void SearchThread::score_moves(const Move* list, int32_t* scores, int32_t count,
                               const Move& table_move) {
    const uint32_t table_identity = move_identity(table_move);
    const uint32_t killer1 = move_identity(strong_killers[ply][0]);
    const uint32_t killer2 = move_identity(strong_killers[ply][1]);
    // A counter move that cannot match stands for the option being off.
    const uint32_t counter =
        strong_parameters.use_counter_moves ? move_identity(counter_move()) : UINT32_MAX;
    for (int32_t i = 0; i < count; ++i) {
        const Move& move = list[i];
        const uint32_t identity = move_identity(move);
        if (identity == table_identity) {
            scores[i] = TABLE_MOVE_SCORE;
        } else if (!is_quiet(move)) {
            scores[i] = capture_score(move);
        } else if (identity == killer1) {
            scores[i] = FIRST_KILLER_SCORE;
        } else if (identity == killer2) {
            scores[i] = SECOND_KILLER_SCORE;
        } else if (identity == counter) {
            scores[i] = COUNTER_MOVE_SCORE;
        } else {
            scores[i] = history_of(move);
        }
    }
}

void SearchThread::score_captures(const Move* list, int32_t* scores, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        scores[i] = capture_order_score(list[i]);
}

bool SearchThread::pick_next_move(Move* list, int32_t* scores, int32_t count, int32_t next,
                                  bool may_sort) {
    if (next >= count) return false;
    // The first few moves (table move, captures, killers) are picked one at a time, since a
    // cutoff often comes among them; a deep node that gets further will likely search most of
    // its moves, so the rest is sorted once, after its captures have been checked.
    if (may_sort && next > SORT_AFTER_PICKS) return true;
    if (may_sort && next == SORT_AFTER_PICKS) {
        for (int32_t i = next; i < count; ++i)
            settle_capture(list[i], scores[i]);
        sort_by_score(list, scores, next, count);
        return true;
    }
    while (true) {
        const int32_t best = first_best(scores, next, count);
        if (best != next) {
            std::swap(list[best], list[next]);
            std::swap(scores[best], scores[next]);
        }
        // A capture that turns out to lose goes behind the quiet moves; pick again.
        if (!settle_capture(list[next], scores[next])) return true;
    }
}

void SearchThread::reward_quiet_cutoff(const Move& move, int32_t depth, const Move* tried,
                                       int32_t tried_count) {
    // 1. Killers: the newest first, without a move in both slots.
    if (!same_move(move, strong_killers[ply][0])) {
        strong_killers[ply][1] = strong_killers[ply][0];
        strong_killers[ply][0] = move;
    }
    // 2. The counter move of the move that led here (none after a null move).
    if (move_stack[ply].from != 0) counter_moves[moved_piece_stack[ply]][move_stack[ply].to] = move;
    // 3. History, by squares and after the last two moves: up for the move that cut off, down
    // for the quiet moves that did not.
    const int32_t bonus = std::min(depth * depth, MAX_HISTORY_BONUS);
    ContinuationRow& one_back = continuation_row(0);
    ContinuationRow& two_back = continuation_row(1);
    auto reward = [&](const Move& quiet, int32_t amount) {
        const int32_t piece = board[quiet.from];
        const int to = square_64[quiet.to];
        nudge_history(strong_history[side_to_move][quiet.from][quiet.to], amount);
        nudge_history(one_back[piece][to], amount);
        nudge_history(two_back[piece][to], amount);
    };
    reward(move, bonus);
    for (int32_t i = 0; i < std::min(tried_count, MAX_TRIED_QUIETS); ++i)
        reward(tried[i], -bonus);
}

void SearchThread::reward_capture_cutoff(const Move& move, int32_t depth, const Move* tried,
                                         int32_t tried_count) {
    const int32_t bonus = std::min(depth * depth, MAX_HISTORY_BONUS);
    if (!is_quiet(move)) nudge_history(capture_history_of(move), bonus);
    for (int32_t i = 0; i < tried_count; ++i)
        nudge_history(capture_history_of(tried[i]), -bonus);
}

void SearchThread::prepare_strong_ordering() {
    for (auto& side : strong_history)
        for (auto& row : side)
            for (int16_t& entry : row)
                entry = static_cast<int16_t>(entry / 2);
    for (auto& piece : capture_history)
        for (auto& target : piece)
            for (int16_t& entry : target)
                entry = static_cast<int16_t>(entry / 2);
    for (auto& killers : strong_killers)
        killers[0] = killers[1] = NULL_MOVE;
    for (int p = 0; p < STRONG_PLY_ROWS; ++p) {
        move_stack[p] = NULL_MOVE;
        moved_piece_stack[p] = 0;
    }
}

void SearchThread::clear_strong_ordering() {
    for (auto& side : strong_history)
        for (auto& row : side)
            for (int16_t& entry : row)
                entry = 0;
    std::memset(continuation_history, 0, sizeof continuation_history);
    std::memset(capture_history, 0, sizeof capture_history);
    for (auto& row : counter_moves)
        for (Move& move : row)
            move = NULL_MOVE;
    prepare_strong_ordering();
}
