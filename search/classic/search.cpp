#include "search/classic/search.h"

#include "board/attack.h"
#include "board/game.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/repetition.h"
#include "eval/evaluate.h"
#include "search/classic/iterate.h"
#include "search/classic/ordering.h"
#include "search/scores.h"
#include "search/transposition.h"

Move pv_table[MAX_PLY][MAX_PLY];
int32_t pv_length[MAX_PLY];

int64_t next_time_check = 0;

namespace {

constexpr int64_t TIME_CHECK_INTERVAL_MASK = 4095; // the clock is read every 4096 nodes

inline int32_t null_move_reduced_depth(int32_t depth) {
    if (depth <= 6) return depth - 3;
    if (depth <= 11) return depth - 4;
    return depth - 5;
}

// Passes the move to the opponent and searches with a zero window at beta: if even that fails
// high, the node fails high. Returns the null-move score (meaningless when aborted).
int32_t search_null_move(int32_t beta, int32_t depth) {
    MoveUndo undo;
    make_null_move(undo);
    const int32_t null_score = -search(-beta, -beta + 1, null_move_reduced_depth(depth), false);
    unmake_null_move(undo);
    return null_score;
}

} // namespace

void update_pv(const Move& move) {
    pv_table[ply][ply] = move;
    for (int32_t j = ply + 1; j < pv_length[ply + 1]; ++j)
        pv_table[ply][j] = pv_table[ply + 1][j];
    pv_length[ply] = pv_length[ply + 1];
}

int32_t search(int32_t alpha, int32_t beta, int32_t depth, bool null_ok) {
    // 1. The node's principal variation starts empty.
    pv_length[ply] = ply;
    if (ply >= SEARCH_PLY_LIMIT) return evaluate();

    // 2. Time check, from iteration 4 on, once every 4096 nodes. Quiescence counts nodes too,
    // so the count a search node sees is seldom an exact multiple of 4096: waiting for one let
    // a capture-heavy search run on for long past its time. The check comes at the first
    // search node after each multiple instead.
    if (iteration_depth > 3 && node_count >= next_time_check) {
        next_time_check = (node_count | TIME_CHECK_INTERVAL_MASK) + 1;
        if (out_of_time()) {
            search_aborted = true;
            return 0;
        }
    }

    // 3. A repetition is a draw, before the table is asked.
    if (is_repetition()) return 0;

    // 4. The table: a cutoff, a hash move, or a hint that a null move is useless.
    const ProbeResult probe = tt_probe(alpha, beta, depth);
    if (probe.outcome == PROBE_AVOID_NULL)
        null_ok = false;
    else if (probe.outcome != PROBE_MISS)
        return probe.value;
    // The hash move is searched first: its child's slot is fetched while the moves are made
    // (at depth 0 the captures decide, and quiescence asks no table).
    if (depth > 0 && probe.move.from != 0) tt_prefetch(key_after_ordinary_move(probe.move));

    // 5. Saved state of the node.
    const int32_t entry_alpha = alpha;
    int32_t extension = 0;

    // 6. Check extension, up to ply 30; a side in check tries no null move.
    const bool in_check = side_to_move_in_check();
    if (in_check) {
        if (ply < CHECK_EXTENSION_PLY_LIMIT) extension = 1;
    } else if (null_ok && non_pawn_count > 4 && depth > 5) {
        // 7. Null move, with the mate-threat extension when passing loses by mate.
        const int32_t null_score = search_null_move(beta, depth);
        if (search_aborted) return 0;
        if (null_score >= beta) return beta;
        if (null_score < -NULL_MATE_THREAT) extension = 1;
    }

    // 8. Depth used up: the captures decide.
    if (depth + extension == 0) return quiesce(alpha, beta, QUIESCENCE_DEPTH);

    // 9. Generate and order; a single reply extends.
    Move list[MAX_MOVES];
    int32_t scores[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    if (count == 1) ++extension;
    order_moves(list, scores, count, probe.move);
    const uint64_t squares_to_test = squares_needing_legality_test(in_check);

    // 10. The move loop, every move with the full window.
    bool no_legal_move = true;
    // The order is fixed once the moves are scored, so the next move is known before this one
    // is searched: its child's table slot is fetched during this move's subtree, and this
    // move's, fetched one move earlier, has arrived when its child probes it first thing.
    int next = select_next_move(scores, count);
    if (next >= 0) tt_prefetch(key_after_ordinary_move(list[next]));
    while (next >= 0) {
        const int i = next;
        next = select_next_move(scores, count);
        if (next >= 0) tt_prefetch(key_after_ordinary_move(list[next]));
        MoveUndo undo;
        const bool legal = play_move(list, i, undo, in_check, squares_to_test);
        int32_t score = 0;
        if (legal) {
            ++node_count;
            score = -search(-beta, -alpha, depth + extension - 1, true);
            no_legal_move = false;
        }
        take_back_move(list, i, undo);
        if (search_aborted) return 0;
        if (legal && score > alpha) {
            add_history(list[i], depth);
            if (score >= beta) {
                record_killer(list[i], score);
                tt_store(depth, score, BOUND_LOWER, list[i]);
                return beta;
            }
            update_pv(list[i]);
            alpha = score;
        }
    }

    // 11. Mate, stalemate, the fifty-move rule.
    int32_t result;
    if (no_legal_move)
        result = in_check ? ply - MATE_SCORE : 0;
    else if (fifty_move_rule_reached())
        return 0;
    else
        result = alpha;

    // 12. Store with the node's own depth, never the extended one.
    if (result > entry_alpha)
        tt_store(depth, result, BOUND_EXACT, pv_table[ply][ply]);
    else
        tt_store(depth, result, BOUND_UPPER, NULL_MOVE);
    return result;
}

int32_t quiesce(int32_t alpha, int32_t beta, int32_t qdepth) {
    pv_length[ply] = ply;
    if (qdepth == 0) return evaluate();

    // Standing pat: the side to move may decline every capture.
    const int32_t stand_pat = evaluate();
    if (stand_pat >= beta) return stand_pat;
    if (stand_pat > alpha) alpha = stand_pat;

    Move list[MAX_MOVES];
    int32_t scores[MAX_MOVES];
    int32_t count = 0;
    generate_captures(list, count);
    order_moves(list, scores, count, NULL_MOVE);
    // One attack test for the node spares one for each capture after the first.
    const bool in_check = count < 2 || side_to_move_in_check();
    const uint64_t squares_to_test = squares_needing_legality_test(in_check);

    bool no_legal_capture = true;
    for (int i; (i = select_next_move(scores, count)) >= 0;) {
        MoveUndo undo;
        const bool legal = play_move(list, i, undo, in_check, squares_to_test);
        int32_t score = 0;
        if (legal) {
            ++node_count;
            score = -quiesce(-beta, -alpha, qdepth - 1);
            no_legal_capture = false;
        }
        take_back_move(list, i, undo);
        if (legal && score > alpha) {
            if (score >= beta) {
                record_killer(list[i], score);
                return beta;
            }
            update_pv(list[i]);
            alpha = score;
        }
    }
    return no_legal_capture ? stand_pat : alpha;
}
