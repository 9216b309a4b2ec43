#include "search/strong/search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "board/attack.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/repetition.h"
#include "eval/evaluate.h"
#include "nnue/accumulator.h"
#include "search/limits.h"
#include "search/scores.h"
#include "search/strong/correction.h"
#include "search/strong/ordering.h"
#include "search/strong/see.h"
#include "search/strong/staged_moves.h"
#include "search/strong/table.h"
#include "search/strong/thread.h"
#include "search/strong/time_management.h"

StrongParameters strong_parameters;

namespace {

// Plies of the quiescence search in which a check is still answered with every move; deeper,
// the side in check stands pat like any other.
constexpr int32_t QUIESCENCE_EVASION_PLIES = 4;
// The quiet moves a node remembers having tried, to lower their history on a cutoff.
constexpr int32_t MAX_TRIED_QUIETS = 64;
// Only the captures tried before a cutoff are punished; more than this many are not remembered.
constexpr int32_t MAX_TRIED_CAPTURES = 32;
// From this depth on a node sorts its moves after the first few picks.
constexpr int32_t SORT_MIN_DEPTH = 3;
// Reductions by depth and move number, both capped here.
constexpr int REDUCTION_TABLE_SIZE = 64;

// Whether a side has nothing but its king. The network has not learnt to drive a bare king to
// the edge, so it cannot win such endings; the hand-written evaluation can.
inline bool a_king_stands_alone(const Position& position) {
    const uint64_t* squares_of = position.squares_of;
    const uint64_t white = squares_of[WHITE_PAWN] | squares_of[WHITE_KNIGHT] |
                           squares_of[WHITE_BISHOP] | squares_of[WHITE_ROOK] |
                           squares_of[WHITE_QUEEN];
    const uint64_t black = squares_of[BLACK_PAWN] | squares_of[BLACK_KNIGHT] |
                           squares_of[BLACK_BISHOP] | squares_of[BLACK_ROOK] |
                           squares_of[BLACK_QUEEN];
    return white == 0 || black == 0;
}

int8_t reduction_table[REDUCTION_TABLE_SIZE][REDUCTION_TABLE_SIZE];

inline bool table_cuts(const TableHit& hit, int32_t alpha, int32_t beta) {
    return hit.bound == BOUND_EXACT || (hit.bound == BOUND_LOWER && hit.score >= beta) ||
           (hit.bound == BOUND_UPPER && hit.score <= alpha);
}

// `history` is the move's history as the ordering scored it, before the move was made.
int32_t late_move_reduction(int32_t depth, int32_t move_number, bool pv_node, bool improving,
                            int32_t history) {
    int32_t reduction = reduction_table[std::min(depth, REDUCTION_TABLE_SIZE - 1)]
                                       [std::min(move_number, REDUCTION_TABLE_SIZE - 1)];
    // Less in the principal variation, more where the position is getting worse, and less for
    // a move that has often been good elsewhere.
    reduction -= pv_node ? 1 : 0;
    reduction += improving ? 0 : 1;
    reduction -= history / 18000;
    return std::clamp(reduction, 0, depth - 2);
}

} // namespace

int32_t SearchThread::strong_static_eval() {
    return nnue_enabled && !a_king_stands_alone(*this) ? accumulators.evaluate(*this)
                                                       : evaluate(*this, pawn_cache);
}

// Whether the side to move has a knight, bishop, rook or queen: without any, passing the move
// is no safe guess (zugzwang is common in pawn endings).
bool SearchThread::has_own_pieces() const {
    const int32_t* slots = side_slots[side_to_move];
    for (int i = 0; i < side_slot_count[side_to_move]; ++i) {
        const int square = piece_list[slots[i]];
        if (square == 0) continue;
        const int32_t code = board[square];
        if ((code & 1) == side_to_move && code > BLACK_PAWN && code != WHITE_KING &&
            code != BLACK_KING)
            return true;
    }
    return false;
}

// Asks the memory for the table slot of the position just reached, which the child probes
// soon after: the table is far larger than the caches.
inline void SearchThread::prefetch_table_slot() const {
    strong_table_prefetch(hash_key);
}

// The same, earlier: the slot of the position `move` will most likely reach (exactly, unless
// it is a castling, a double step, a promotion, en passant or a king's first move), asked for
// before the move is made so that it has arrived when the child probes.
inline void SearchThread::prefetch_child_slot(const Move& move) const {
    strong_table_prefetch(key_after_ordinary_move(move));
}

// Remembers the move just played at this ply, for the counter move of the reply, and tells the
// network what it changed.
inline void SearchThread::note_move_played(const Move& move) {
    move_stack[ply] = move;
    moved_piece_stack[ply] = board[move.to];
    if (nnue_enabled) accumulators.note_move(*this, move);
}

// Step 7.3: passes the move; when even that leaves the opponent below beta, the node is
// assumed to fail high. Returns the score to return, or NO_EVAL to go on searching.
int32_t SearchThread::try_null_move(int32_t beta, int32_t depth, int32_t eval) {
    const StrongParameters& tune = strong_parameters;
    const int32_t reduction = 3 + depth / 4 + std::min((eval - beta) / 220, 3);
    MoveUndo undo;
    make_null_move(undo);
    move_stack[ply] = NULL_MOVE;
    moved_piece_stack[ply] = 0;
    if (nnue_enabled) accumulators.note_null_move(*this);
    int32_t null_score = -strong_search(-beta, -beta + 1, depth - reduction, false);
    unmake_null_move(undo);
    if (strong_stopped || null_score < beta) return NO_EVAL;
    // A mate found after passing proves nothing about the moves.
    if (null_score > MATE_THRESHOLD) null_score = beta;
    if (depth < tune.null_move_verify_depth) return null_score;
    // Deep down a wrong cutoff costs much: confirm it with a real search of the same depth.
    const int32_t verified = strong_search(beta - 1, beta, depth - reduction, false);
    if (strong_stopped || verified < beta) return NO_EVAL;
    return null_score;
}

void SearchThread::update_pv(const Move& move) {
    pv_table[ply][ply] = move;
    for (int32_t j = ply + 1; j < pv_length[ply + 1]; ++j)
        pv_table[ply][j] = pv_table[ply + 1][j];
    pv_length[ply] = pv_length[ply + 1];
}

void init_strong_search() {
    for (int depth = 1; depth < REDUCTION_TABLE_SIZE; ++depth)
        for (int number = 1; number < REDUCTION_TABLE_SIZE; ++number)
            reduction_table[depth][number] =
                static_cast<int8_t>(0.75 + std::log(depth) * std::log(number) * 100.0 /
                                               strong_parameters.reduction_divisor);
}

int32_t SearchThread::strong_search(int32_t alpha, int32_t beta, int32_t depth, bool null_allowed,
                                    CheckKnown check) {
    const StrongParameters& tune = strong_parameters;
    const bool pv_node = beta - alpha > 1;

    // 1. A side in check is given a ply more (within reason, so that perpetual checks end);
    // with the depth used up the captures decide.
    const bool in_check =
        check == CheckKnown::UNKNOWN ? side_to_move_in_check() : check == CheckKnown::IN_CHECK;
    if (in_check && tune.use_check_extension && ply < 2 * iteration_depth + 8) ++depth;
    if (depth <= 0) return quiesce_node(alpha, beta, 0, in_check);
    pv_length[ply] = ply;
    selective_depth = std::max(selective_depth, ply);

    // 2. The limits: clock, nodes, "stop".
    strong_poll_limits();
    if (strong_stopped) return 0;

    // 3. Draws by repetition and the fifty-move rule (a mate on the hundredth move still
    // counts), and the deepest ply the tables allow.
    if (is_repetition()) return 0;
    if (fifty_move_rule_reached() && !in_check) return 0;
    if (ply >= STRONG_PLY_LIMIT) return strong_static_eval();

    // 4. Mate-distance pruning: no line from here can beat a mate already found nearer the root.
    alpha = std::max(alpha, ply - MATE_SCORE);
    beta = std::min(beta, MATE_SCORE - ply - 1);
    if (alpha >= beta) return alpha;

    // 5. The table: outside the principal variation a deep enough result settles the node;
    // everywhere its move goes first.
    // A search that leaves a move out asks about another position in effect: the table's
    // result for the whole node says nothing about it.
    const Move excluded = excluded_move[ply];
    const bool excluding = excluded.from != 0;
    const TableHit hit = strong_tt_probe(hash_key, ply);
    if (!pv_node && !excluding && hit.found && hit.depth >= depth && table_cuts(hit, alpha, beta))
        return hit.score;
    // The table move is tried first, after the evaluation, before any move is generated.
    if (hit.move.from != 0) prefetch_child_slot(hit.move);

    // 6. The static evaluation (the table's, when it kept one), sharpened by the table's score
    // where its bound allows, and whether it improved on the same side's last turn.
    int32_t raw_eval = NO_EVAL;
    int32_t static_eval = NO_EVAL;
    int32_t eval = NO_EVAL;
    if (!in_check) {
        raw_eval = hit.found && hit.eval != NO_EVAL ? hit.eval : strong_static_eval();
        static_eval = corrected_evaluation(raw_eval);
        eval = static_eval;
        if (hit.found &&
            (hit.bound == BOUND_EXACT || (hit.bound == BOUND_LOWER && hit.score > eval) ||
             (hit.bound == BOUND_UPPER && hit.score < eval)))
            eval = hit.score;
    }
    static_eval_stack[ply] = static_eval;
    // (The root, ply 1, keeps no evaluation: the comparison starts at ply 4.)
    const bool improving = !in_check && ply > 3 && static_eval_stack[ply - 2] != NO_EVAL &&
                           static_eval > static_eval_stack[ply - 2];
    strong_killers[ply + 1][0] = strong_killers[ply + 1][1] = NULL_MOVE;

    // 7. Pruning from the static evaluation, only outside the principal variation, out of
    // check and away from mate scores.
    if (!pv_node && !in_check && !excluding && std::abs(beta) < MATE_THRESHOLD) {
        // 7.1 Reverse futility: so far above beta that a shallow search will not come down.
        if (tune.use_futility && depth <= tune.reverse_futility_depth &&
            eval - tune.reverse_futility_margin * (depth - (improving ? 1 : 0)) >= beta)
            return eval;
        // 7.2 Razoring: so far below alpha that only a capture could help; ask the quiescence
        // search.
        if (tune.use_futility && depth <= tune.razor_depth &&
            eval + tune.razor_margin * depth <= alpha) {
            const int32_t score = quiesce_node(alpha, beta, 0, false, static_eval, raw_eval);
            if (score <= alpha) return score;
        }
        // 7.3 Null move, unless the table says this node stays below beta.
        if (tune.use_null_move && null_allowed && depth >= tune.null_move_min_depth &&
            eval >= beta && static_eval >= beta - 20 * depth &&
            !(hit.found && hit.bound == BOUND_UPPER && hit.score < beta) && has_own_pieces()) {
            const int32_t score = try_null_move(beta, depth, eval);
            if (strong_stopped) return 0;
            if (score != NO_EVAL) return score;
        }
    }

    // 8. Internal iterative reduction: a node without a table move is most likely new and
    // badly ordered; search it a ply shallower, the next iteration finds the move.
    if (tune.use_iir && depth >= tune.iir_min_depth && hit.move.from == 0) --depth;

    // 8.1 Singular extension: when the table move's score stands far above every other move's
    // (a search without it fails low well below it), the move is searched a ply deeper, or two
    // when far below, outside the principal variation. When even without it the node fails
    // high, it fails high (multi-cut); when the table's score is above beta anyway, the move
    // is searched a ply shallower.
    int32_t table_move_extension = 0;
    if (tune.use_singular_extension && depth >= tune.singular_min_depth && ply > 1 &&
        ply < 2 * iteration_depth && !excluding && hit.move.from != 0 && hit.depth >= depth - 3 &&
        hit.bound != BOUND_UPPER && std::abs(hit.score) < MATE_THRESHOLD) {
        const int32_t singular_beta = hit.score - tune.singular_margin * depth / 8;
        excluded_move[ply] = hit.move;
        const int32_t score =
            strong_search(singular_beta - 1, singular_beta, (depth - 1) / 2, false);
        excluded_move[ply] = NULL_MOVE;
        if (strong_stopped) return 0;
        if (score < singular_beta) {
            table_move_extension =
                !pv_node && score < singular_beta - tune.double_extension_margin ? 2 : 1;
        } else if (singular_beta >= beta) {
            return singular_beta;
        } else if (hit.score >= beta) {
            table_move_extension = -1;
        }
    }

    // 9. Futility decides before ordering: when it would prune every quiet move, only the
    // captures, promotions and checks are kept.
    const bool quiets_futile =
        tune.use_futility && !in_check && depth <= tune.futility_depth &&
        static_eval + tune.futility_base + tune.futility_margin * depth <= alpha;

    // 10. The move loop.
    const int32_t node_alpha = alpha;
    int32_t best_score = -INFINITE_SCORE;
    Move best_move = NULL_MOVE;
    int32_t legal_moves = 0;
    Move tried_quiets[MAX_TRIED_QUIETS];
    int32_t tried_quiet_count = 0;
    Move tried_captures[MAX_TRIED_CAPTURES];
    int32_t tried_capture_count = 0;
    const int32_t late_move_limit = (3 + depth * depth) / (improving ? 1 : 2);
    // Near the leaves late move pruning keeps the moves tried few: picking them one by one
    // costs less than sorting them all.
    const bool sort_moves = depth > SORT_MIN_DEPTH;
    // In check most generated moves leave the king attacked: those that cannot answer the
    // check are known before they are made.
    const uint64_t evasion_squares = in_check ? check_evasion_squares() : 0;
    // A second pass over every move follows when the first had only captures and none of them
    // was legal, so that a position is never taken for mate or stalemate.
    for (bool captures_only = quiets_futile;; captures_only = false) {
        // The moves come in stages (search/strong/staged_moves.h): the table move before any
        // generation, the quiet moves only when the node gets that far, which most do not.
        StagedMoves moves(*this, hit.move, captures_only, sort_moves);
        Move move;
        int32_t move_score;
        for (int32_t next = 0; moves.next(move, move_score); ++next) {
            if (excluding && same_move(move, excluded)) continue;
            const bool quiet = is_quiet(move);

            // 10.1 Pruning before the move is made: only once a move has been searched without
            // being mated, so that a position is never taken for mate or stalemate because its
            // moves were pruned.
            if (!in_check && best_score > -MATE_THRESHOLD) {
                if (quiet) {
                    // Late move pruning (enough quiet moves have been tried at this depth) and
                    // futility (near the leaves, a quiet move will not lift a score this far
                    // below alpha) end the quiet moves: only captures and checks are left to
                    // try, so that no mate in one is pruned.
                    if (((tune.use_late_move_pruning && depth <= tune.late_move_pruning_depth &&
                          legal_moves >= late_move_limit) ||
                         (tune.use_futility && depth <= tune.futility_depth &&
                          static_eval + tune.futility_base + tune.futility_margin * depth <=
                              alpha)) &&
                        !may_give_check(move)) {
                        moves.drop_quiet_moves();
                        continue;
                    }
                    if (tune.use_see_pruning && depth <= tune.see_pruning_depth &&
                        !see_at_least(*this, move, -tune.see_quiet_margin * depth) &&
                        !may_give_check(move))
                        continue;
                } else if (tune.use_see_pruning && depth <= tune.see_pruning_depth &&
                           is_losing_capture_score(move_score) &&
                           !see_at_least(*this, move, -tune.see_capture_margin * depth * depth)) {
                    continue;
                }
            }

            // 10.2 Make the move; the generator's moves may leave the king attacked. (The
            // record must stay in place until the move is taken back.)
            if (in_check && !may_answer_check(move, evasion_squares)) continue;
            if (next > 0) prefetch_child_slot(move);
            Move played[1] = {move};
            MoveUndo undo;
            if (!play_move(played, 0, undo, in_check)) {
                take_back_move(played, 0, undo);
                continue;
            }
            prefetch_table_slot();
            ++node_count;
            ++legal_moves;
            note_move_played(move);
            const int32_t new_depth =
                depth - 1 + (move_score == TABLE_MOVE_SCORE ? table_move_extension : 0);

            // 10.3 Principal variation search: the first move with the full window, the others
            // with a zero window (late quiet moves also shallower), searched again in full only
            // when they beat alpha.
            int32_t score;
            if (legal_moves == 1) {
                score = -strong_search(-beta, -alpha, new_depth, true);
            } else {
                // A move that gives check is not reduced; the child is told what was found.
                int32_t reduction = 0;
                CheckKnown gives_check = CheckKnown::UNKNOWN;
                if (tune.use_reductions && depth >= tune.reduction_min_depth && quiet &&
                    !in_check && legal_moves > (pv_node ? 3 : 1) &&
                    !is_killer_or_counter_score(move_score)) {
                    gives_check =
                        side_to_move_in_check() ? CheckKnown::IN_CHECK : CheckKnown::NOT_IN_CHECK;
                    if (gives_check == CheckKnown::NOT_IN_CHECK)
                        reduction =
                            late_move_reduction(depth, legal_moves, pv_node, improving, move_score);
                }
                score =
                    -strong_search(-alpha - 1, -alpha, new_depth - reduction, true, gives_check);
                if (score > alpha && reduction > 0)
                    score = -strong_search(-alpha - 1, -alpha, new_depth, true, gives_check);
                if (score > alpha && score < beta)
                    score = -strong_search(-beta, -alpha, new_depth, true, gives_check);
            }
            take_back_move(played, 0, undo);
            if (strong_stopped) return 0;

            // 10.4 A new best move; at beta the node is refuted and the move's tables learn.
            if (score > best_score) {
                best_score = score;
                if (score > alpha) {
                    best_move = move;
                    if (pv_node) update_pv(move);
                    if (score >= beta) {
                        if (quiet)
                            reward_quiet_cutoff(move, depth, tried_quiets, tried_quiet_count);
                        reward_capture_cutoff(move, depth, tried_captures, tried_capture_count);
                        break;
                    }
                    alpha = score;
                }
            }
            if (quiet && tried_quiet_count < MAX_TRIED_QUIETS)
                tried_quiets[tried_quiet_count++] = move;
            else if (!quiet && tried_capture_count < MAX_TRIED_CAPTURES)
                tried_captures[tried_capture_count++] = move;
        }
        if (legal_moves > 0 || !captures_only) break;
    }

    // 11. Mate and stalemate (no pruning happens before a first legal move, so none here
    // means none at all), and the fifty-move rule.
    if (legal_moves == 0) return excluding ? alpha : in_check ? ply - MATE_SCORE : 0;
    if (fifty_move_rule_reached()) return 0;

    // 12. The table learns the result: a lower bound at a cutoff, exact when a move raised
    // alpha, otherwise an upper bound.
    const uint8_t bound = best_score >= beta        ? BOUND_LOWER
                          : best_score > node_alpha ? BOUND_EXACT
                                                    : BOUND_UPPER;
    if (excluding) return best_score;
    strong_tt_store(hash_key, ply, depth, best_score, bound, best_move, raw_eval);

    // 13. The evaluation learns how far off it was, where the result says so: not for a
    // capture's gain, nor a bound on the side the evaluation already lies, nor a mate.
    if (!in_check && (best_move.from == 0 || is_quiet(best_move)) &&
        std::abs(best_score) < MATE_THRESHOLD &&
        !(bound == BOUND_LOWER && best_score <= static_eval) &&
        !(bound == BOUND_UPPER && best_score >= static_eval))
        learn_evaluation_error(raw_eval, best_score, depth);
    return best_score;
}

int32_t SearchThread::strong_quiesce(int32_t alpha, int32_t beta, int32_t quiescence_ply) {
    return quiesce_node(alpha, beta, quiescence_ply,
                        quiescence_ply < QUIESCENCE_EVASION_PLIES && side_to_move_in_check());
}

// The quiescence node, told whether the side to move must answer a check (only in the first
// plies; deeper a side in check stands pat like any other), and the static evaluation when the
// caller has already taken it for this very position.
int32_t SearchThread::quiesce_node(int32_t alpha, int32_t beta, int32_t quiescence_ply,
                                   bool in_check, int32_t static_eval, int32_t raw_eval) {
    const StrongParameters& tune = strong_parameters;
    const bool pv_node = beta - alpha > 1;
    pv_length[ply] = ply;
    selective_depth = std::max(selective_depth, ply);

    // 1. The limits, and the deepest ply the tables allow.
    strong_poll_limits();
    if (strong_stopped) return 0;
    if (ply >= STRONG_PLY_LIMIT) return strong_static_eval();

    // 2. The table, at depth 0.
    const TableHit hit = strong_tt_probe(hash_key, ply);
    if (!pv_node && hit.found && table_cuts(hit, alpha, beta)) return hit.score;

    // 3. A side in check must answer it (in the first plies); otherwise it may stand pat on
    // the static evaluation (the table's, when it kept one). A position new to the table keeps
    // its evaluation there even when it stands pat at once.
    int32_t best_score = -INFINITE_SCORE;
    int32_t stand_pat = NO_EVAL;
    if (!in_check) {
        if (static_eval == NO_EVAL) {
            if (raw_eval == NO_EVAL)
                raw_eval = hit.found && hit.eval != NO_EVAL ? hit.eval : strong_static_eval();
            static_eval = corrected_evaluation(raw_eval);
        }
        stand_pat = static_eval;
        if (stand_pat >= beta) {
            if (!hit.found)
                strong_tt_store(hash_key, ply, 0, stand_pat, BOUND_LOWER, NULL_MOVE, raw_eval);
            return stand_pat;
        }
        alpha = std::max(alpha, stand_pat);
        best_score = stand_pat;
    }

    // 4. Every move out of check, else the captures and promotions.
    Move list[MAX_MOVES];
    int32_t scores[MAX_MOVES];
    int32_t count = 0;
    const uint64_t evasion_squares = in_check ? check_evasion_squares() : 0;
    if (in_check) {
        generate_moves(list, count);
        score_moves(list, scores, count, hit.move);
    } else {
        generate_captures(list, count);
        score_captures(list, scores, count);
        // The captures are few: every child's table slot is asked for now, well before its
        // probe.
        for (int32_t i = 0; i < count; ++i)
            prefetch_child_slot(list[i]);
    }

    // 5. The move loop, without hopeless captures: an under-promotion, a capture that cannot
    // bring the score near alpha, one that loses material.
    const int32_t node_alpha = alpha;
    Move best_move = NULL_MOVE;
    int32_t legal_moves = 0;
    for (int32_t next = 0; pick_next_move(list, scores, count, next, false); ++next) {
        const Move move = list[next];
        if (!in_check) {
            if (move.promotion != 0 && !is_queen_promotion(move)) continue;
            if (move.promotion == 0 &&
                stand_pat + see_value[move.captured] + tune.delta_margin <= alpha)
                continue;
            if (!see_at_least(*this, move, 0)) continue;
        } else if (!may_answer_check(move, evasion_squares)) {
            continue;
        }
        // Whether the side is in check is known only in the plies that answer checks.
        prefetch_child_slot(move);
        MoveUndo undo;
        if (!play_move(list, next, undo, in_check || quiescence_ply >= QUIESCENCE_EVASION_PLIES)) {
            take_back_move(list, next, undo);
            continue;
        }
        prefetch_table_slot();
        ++node_count;
        ++legal_moves;
        note_move_played(move);
        const int32_t score = -strong_quiesce(-beta, -alpha, quiescence_ply + 1);
        take_back_move(list, next, undo);
        if (strong_stopped) return 0;
        if (score > best_score) {
            best_score = score;
            if (score > alpha) {
                best_move = move;
                if (pv_node) update_pv(move);
                if (score >= beta) break;
                alpha = score;
            }
        }
    }

    // 6. Mated; else the table learns the result at depth 0.
    if (in_check && legal_moves == 0) return ply - MATE_SCORE;
    const uint8_t bound = best_score >= beta        ? BOUND_LOWER
                          : best_score > node_alpha ? BOUND_EXACT
                                                    : BOUND_UPPER;
    strong_tt_store(hash_key, ply, 0, best_score, bound, best_move, raw_eval);
    return best_score;
}
