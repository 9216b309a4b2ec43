#include "search/strong/staged_moves.h"

#include <utility>

#include "search/strong/ordering.h"
#include "search/strong/search.h"
#include "search/strong/thread.h"

StagedMoves::StagedMoves(SearchThread& thread, const Move& table_move, bool quiet_checks_only,
                         bool sort_quiets)
    : thread(thread), quiet_checks_only(quiet_checks_only), sort_quiets(sort_quiets),
      wanted_table_move(table_move) {}

// A quiet move that certainly gives no check, once the quiet moves are dropped.
inline bool StagedMoves::is_left_out(const Move& move) const {
    return quiet_checks_only && is_quiet(move) && !thread.may_give_check(move);
}

// Stage 3: a killer or the counter move, when it is a quiet move of this position that has not
// come yet. It may come from another position: only the generator's own record is returned.
bool StagedMoves::take_quiet_move(const Move& wanted, Move& move) {
    const uint32_t identity = move_identity(wanted);
    if (identity == 0 || identity == table_identity) return false;
    for (uint32_t taken : special_identity)
        if (taken == identity) return false;
    if (!thread.find_generated_move(wanted, move) || !is_quiet(move) || is_left_out(move))
        return false;
    for (uint32_t& taken : special_identity) {
        if (taken == 0) {
            taken = identity;
            break;
        }
    }
    return true;
}

// Stage 2's moves, scored as score_moves scores them, without the table move.
void StagedMoves::generate_captures() {
    int32_t count = 0;
    thread.generate_captures(list, count);
    end = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (move_identity(list[i]) == table_identity) continue;
        list[end] = list[i];
        scores[end] = thread.capture_score(list[end]);
        ++end;
    }
    current = 0;
    bad_end = 0;
}

// Stage 4's moves, after the captures in the list, scored by their history, without the moves
// stages 1 and 3 returned (and without those dropped already).
void StagedMoves::generate_quiets() {
    const int32_t first = end;
    int32_t count = first;
    thread.generate_quiet_moves(list, count);
    int32_t kept = first;
    for (int32_t i = first; i < count; ++i) {
        const Move move = list[i];
        const uint32_t identity = move_identity(move);
        if (identity == table_identity || identity == special_identity[0] ||
            identity == special_identity[1] || identity == special_identity[2] || is_left_out(move))
            continue;
        list[kept] = move;
        scores[kept] = thread.history_of(move);
        ++kept;
    }
    current = first;
    end = kept;
    if (!sort_quiets) return;
    // Highest history first; equal scores keep the generator's order.
    sort_by_score(list, scores, first, end);
}

void StagedMoves::drop_quiet_moves() {
    quiet_checks_only = true;
    if (stage != Stage::QUIETS) return;
    int32_t kept = current;
    for (int32_t i = current; i < end; ++i) {
        if (is_left_out(list[i])) continue;
        list[kept] = list[i];
        scores[kept] = scores[i];
        ++kept;
    }
    end = kept;
}

bool StagedMoves::next(Move& move, int32_t& score) {
    auto bring_to_current = [&](int32_t at) {
        if (at == current) return;
        std::swap(list[at], list[current]);
        std::swap(scores[at], scores[current]);
    };
    switch (stage) {
    case Stage::TABLE_MOVE:
        stage = Stage::GENERATE_CAPTURES;
        if (wanted_table_move.from != 0 && thread.find_generated_move(wanted_table_move, move) &&
            !is_left_out(move)) {
            table_identity = move_identity(move);
            score = TABLE_MOVE_SCORE;
            return true;
        }
        [[fallthrough]];
    case Stage::GENERATE_CAPTURES:
        generate_captures();
        stage = Stage::GOOD_CAPTURES;
        [[fallthrough]];
    case Stage::GOOD_CAPTURES:
        while (current < end) {
            const int32_t best = first_best(scores, current, end);
            if (is_losing_capture_score(scores[best])) break;
            bring_to_current(best);
            // One the exchange evaluation calls losing is set aside, beside the others, over a
            // capture already returned.
            if (thread.settle_capture(list[current], scores[current])) {
                std::swap(list[current], list[bad_end]);
                std::swap(scores[current], scores[bad_end]);
                ++bad_end;
                ++current;
                continue;
            }
            move = list[current];
            score = scores[current];
            ++current;
            return true;
        }
        // What is left are the under-promotions: they wait with the losing captures.
        for (; current < end; ++current) {
            list[bad_end] = list[current];
            scores[bad_end] = scores[current];
            ++bad_end;
        }
        stage = Stage::FIRST_KILLER;
        [[fallthrough]];
    case Stage::FIRST_KILLER:
        stage = Stage::SECOND_KILLER;
        if (take_quiet_move(thread.strong_killers[thread.ply][0], move)) {
            score = FIRST_KILLER_SCORE;
            return true;
        }
        [[fallthrough]];
    case Stage::SECOND_KILLER:
        stage = Stage::COUNTER_MOVE;
        if (take_quiet_move(thread.strong_killers[thread.ply][1], move)) {
            score = SECOND_KILLER_SCORE;
            return true;
        }
        [[fallthrough]];
    case Stage::COUNTER_MOVE:
        stage = Stage::GENERATE_QUIETS;
        if (strong_parameters.use_counter_moves && take_quiet_move(thread.counter_move(), move)) {
            score = COUNTER_MOVE_SCORE;
            return true;
        }
        [[fallthrough]];
    case Stage::GENERATE_QUIETS:
        generate_quiets();
        stage = Stage::QUIETS;
        [[fallthrough]];
    case Stage::QUIETS:
        if (current < end) {
            if (!sort_quiets) bring_to_current(first_best(scores, current, end));
            move = list[current];
            score = scores[current];
            ++current;
            return true;
        }
        current = 0;
        end = bad_end;
        stage = Stage::BAD_CAPTURES;
        [[fallthrough]];
    case Stage::BAD_CAPTURES:
        if (current < end) {
            bring_to_current(first_best(scores, current, end));
            move = list[current];
            score = scores[current];
            ++current;
            return true;
        }
        stage = Stage::DONE;
        [[fallthrough]];
    case Stage::DONE: break;
    }
    return false;
}
