#include "search/strong/root.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "base/engine_state.h"
#include "board/attack.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/repetition.h"
#include "book/book.h"
#include "eval/evaluate.h"
#include "nnue/accumulator.h"
#include "search/limits.h"
#include "search/root_lines.h"
#include "search/scores.h"
#include "search/strong/correction.h"
#include "search/strong/ordering.h"
#include "search/strong/search.h"
#include "search/strong/table.h"
#include "search/strong/thread.h"
#include "search/strong/threads.h"
#include "search/strong/time_management.h"
#include "search/thinking.h"

namespace {

// Aspiration windows: from this depth on, the first window is this wide on either side of
// the last iteration's score, and grows by half on every failure; past the widest one the
// window is open.
constexpr int32_t ASPIRATION_MIN_DEPTH = 5;
constexpr int32_t ASPIRATION_WINDOW = 25;
constexpr int32_t WIDEST_ASPIRATION_WINDOW = 1000;
// The root's best score when its move mates at once (mated at ply 2).
constexpr int32_t MATE_IN_ONE_SCORE = MATE_SCORE - 2;

// The reduction table, which every thread reads, is filled before the first search.
bool reductions_ready = false;

} // namespace

// What the thinking output is told about a root move's line at the iteration in progress: the
// nodes of every thread, the deepest ply this one reached (counted from the root's children).
ThinkingLine SearchThread::thinking_line(const RootMove& root, int32_t score,
                                         int32_t line_number) const {
    ThinkingLine line;
    line.depth = iteration_depth;
    line.selective_depth = selective_depth - 1;
    line.nodes = searched_nodes();
    line.hash_permille = strong_table_permille();
    line.score = score;
    line.line = line_number;
    line.pv = root.pv;
    line.pv_length = root.pv_length;
    return line;
}

// A root that is already drawn reports a draw at every depth and gives no move, as the engine
// adjudicates the draw itself.
Move SearchThread::report_drawn_root(int32_t state) {
    game_state = state;
    root_score = 0;
    ThinkingLine line;
    line.nodes = node_count;
    for (line.depth = 1; line.depth <= search_limits.max_depth; ++line.depth)
        thinking_output->iteration_finished(line);
    return NULL_MOVE;
}

// One iteration inside aspiration windows around the last score, widened on the side that
// failed until the score falls inside. Returns the score (meaningless when stopped).
int32_t SearchThread::search_with_aspiration(int32_t depth, int32_t last_score, int32_t first) {
    order_root_moves_by_nodes(root_moves, first, root_move_count);
    int32_t delta = ASPIRATION_WINDOW;
    int32_t alpha = -INFINITE_SCORE;
    int32_t beta = INFINITE_SCORE;
    if (strong_parameters.use_aspiration && depth >= ASPIRATION_MIN_DEPTH &&
        std::abs(last_score) < MATE_THRESHOLD) {
        alpha = last_score - delta;
        beta = last_score + delta;
    }
    while (true) {
        const int32_t score = search_root_moves(alpha, beta, depth, first);
        if (strong_stopped) return score;
        if (score > alpha && score < beta) return score;
        delta += delta / 2;
        if (score <= alpha) {
            // Failing low: look lower, and pull beta in, the truth is below the old window.
            beta = (alpha + beta) / 2;
            alpha = std::abs(score) > MATE_THRESHOLD || delta > WIDEST_ASPIRATION_WINDOW
                        ? -INFINITE_SCORE
                        : std::max(score - delta, -INFINITE_SCORE);
        } else {
            beta = std::abs(score) > MATE_THRESHOLD || delta > WIDEST_ASPIRATION_WINDOW
                       ? INFINITE_SCORE
                       : std::min(score + delta, INFINITE_SCORE);
        }
    }
}

void order_root_moves_by_nodes(RootMove* moves, int32_t first, int32_t count) {
    if (first + 1 >= count) return;
    std::stable_sort(moves + first + 1, moves + count,
                     [](const RootMove& a, const RootMove& b) { return a.nodes > b.nodes; });
}

void SearchThread::collect_root_moves() {
    Move list[MAX_MOVES];
    int32_t scores[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    score_moves(list, scores, count, strong_tt_probe(hash_key, ply).move);
    root_move_count = 0;
    for (int32_t next = 0; pick_next_move(list, scores, count, next, true); ++next) {
        MoveUndo undo;
        const bool legal = play_move(list, next, undo);
        take_back_move(list, next, undo);
        if (!legal) continue;
        RootMove& root = root_moves[root_move_count++];
        root.move = list[next];
        root.score = root.previous_score = -INFINITE_SCORE;
        root.bound = BOUND_EXACT;
        root.nodes = 0;
        root.pv[0] = list[next];
        root.pv_length = 1;
    }
    // searchmoves: only the moves named, unless none of them is legal here.
    const auto allowed_end =
        std::stable_partition(root_moves, root_moves + root_move_count,
                              [](const RootMove& root) { return root_move_allowed(root.move); });
    if (allowed_end != root_moves) root_move_count = static_cast<int32_t>(allowed_end - root_moves);
}

int32_t SearchThread::search_root_moves(int32_t alpha, int32_t beta, int32_t depth, int32_t first) {
    // 1. Per iteration: the moves' previous scores.
    ply = 1;
    pv_length[1] = 1;
    const bool in_check = side_to_move_in_check();
    const int32_t child_depth = depth - 1 + (in_check ? 1 : 0);
    int32_t best_score = -INFINITE_SCORE;
    for (int32_t i = first; i < root_move_count; ++i)
        root_moves[i].previous_score = root_moves[i].score;

    // 2. The best move of the last iteration with the full window, every other one with a zero
    // window first; a move that beats alpha is searched again in full and moves to the front.
    for (int32_t i = first; i < root_move_count; ++i) {
        RootMove& root = root_moves[i];
        const int64_t nodes_before = node_count;
        MoveUndo undo;
        play_move(&root.move, 0, undo);
        ++node_count;
        move_stack[ply] = root.move;
        moved_piece_stack[ply] = board[root.move.to];
        if (nnue_enabled) accumulators.note_move(*this, root.move);
        int32_t score;
        if (i == first) {
            score = -strong_search(-beta, -alpha, child_depth, true);
        } else {
            score = -strong_search(-alpha - 1, -alpha, child_depth, true);
            if (score > alpha && score < beta)
                score = -strong_search(-beta, -alpha, child_depth, true);
        }
        take_back_move(&root.move, 0, undo);
        root.nodes += node_count - nodes_before;
        // 2.1 Cut off: what is left of the iteration says nothing.
        if (strong_stopped) return best_score;

        // 2.2 The move's own score and line, when it is more than a zero-window bound.
        if (i == first || score > alpha) {
            update_pv(root.move);
            root.score = score;
            root.bound = score >= beta ? BOUND_LOWER : score <= alpha ? BOUND_UPPER : BOUND_EXACT;
            keep_variation(root, &pv_table[1][1], pv_length[1] - 1);
        } else {
            root.score = -INFINITE_SCORE;
        }
        best_score = std::max(best_score, score);
        if (score > alpha) {
            std::rotate(root_moves + first, root_moves + i, root_moves + i + 1);
            if (score >= beta) return score;
            alpha = score;
            if (i != first && index == 0)
                thinking_output->new_best_move(thinking_line(root_moves[first], score));
        }
    }
    return best_score;
}

Move strong_search_best_move() {
    // 1. The book first.
    const Move book_move = choose_book_move();
    if (book_move.from != 0) {
        thinking_output->playing_from_book();
        return book_move;
    }

    // 2. The main thread searches a copy of the game position.
    if (!reductions_ready) {
        init_strong_search();
        reductions_ready = true;
    }
    strong_table_new_search();
    SearchThread& main = main_search_thread();
    main.copy_from(game_position);
    const Move best = main.main_search();
    node_count = searched_nodes();
    return best;
}

Move SearchThread::main_search() {
    // 1. A fresh search: the tables, the clock, no looks at the limits before the first
    // iteration is done (it takes a moment and guarantees a move).
    node_count = 0;
    published_nodes.store(0, std::memory_order_relaxed);
    prepare_strong_ordering();
    start_strong_clock(search_limits.use_clock ? plan_time(strong_clock) : TimePlan{});
    strong_stopped = false;
    strong_next_check = INT64_MAX;
    thinking_output->search_started();

    // 2. The end of the game at the root: no legal move, a repetition, the fifty-move rule.
    ply = 1;
    collect_root_moves();
    if (nnue_enabled) accumulators.refresh(*this);
    if (root_move_count == 0) {
        if (side_to_move_in_check())
            game_state = side_to_move == 1 ? BLACK_MATES : WHITE_MATES;
        else
            game_state = STALEMATE;
        return NULL_MOVE;
    }
    if (search_limits.root_draw_ends_search) {
        if (is_repetition()) return report_drawn_root(REPETITION_DRAW);
        if (fifty_move_rule_reached()) return report_drawn_root(FIFTY_MOVE_DRAW);
    }

    // 3. Deepen one ply at a time until a limit says stop, the helpers beside this thread.
    start_helpers(*this);
    const int32_t lines = std::min(search_limits.multi_pv, root_move_count);
    int32_t line_scores[MAX_MOVES];
    int32_t last_score = 0;
    int32_t stable_iterations = 0;
    Move last_best = NULL_MOVE;
    for (iteration_depth = 1; iteration_depth <= search_limits.max_depth; ++iteration_depth) {
        selective_depth = 0;
        // 3.1 The best line; with MultiPV each further line from the moves not yet in a line,
        // its window around that line's last score. The limits are looked at only once every
        // line of depth 1 is there.
        for (int32_t line = 1; line < lines; ++line)
            line_scores[line] = root_moves[line].score;
        enter_iteration(iteration_depth);
        int32_t score = search_with_aspiration(iteration_depth, last_score, 0);
        for (int32_t line = 1; line < lines && !strong_stopped; ++line)
            search_with_aspiration(iteration_depth, line_scores[line], line);
        leave_iteration(iteration_depth);
        if (iteration_depth == 1) strong_next_check = node_count;
        if (strong_stopped) break;

        // 3.2 A finished iteration: its lines go out, best first. The node limit is judged
        // by the count taken before they do, so that a search it ends has reported at least
        // the nodes asked for (helpers go on counting while the lines are written).
        const int64_t reported_nodes = searched_nodes();
        if (lines > 1) {
            sort_root_lines(root_moves, lines);
            for (int32_t line = 1; line <= lines; ++line) {
                const RootMove& root = root_moves[line - 1];
                thinking_output->iteration_finished(thinking_line(root, root.score, line));
            }
            score = root_moves[0].score;
        }
        root_score = score;
        if (lines == 1) thinking_output->iteration_finished(thinking_line(root_moves[0], score));

        // 3.3 Whether to go deeper: the node limit, "stop", a short enough mate, a single legal
        // move, and the soft limit as the stability of the best move and the trend of the score
        // stretch it, and the share of this thread's nodes spent under the best move (a move
        // that took nearly all of them has had no rival worth a look). While the search ponders
        // only "stop" and the node limit end it.
        stable_iterations = same_move(root_moves[0].move, last_best) ? stable_iterations + 1 : 0;
        const int32_t score_drop = iteration_depth > 1 ? last_score - score : 0;
        last_best = root_moves[0].move;
        last_score = score;
        if (search_limits.max_nodes > 0 && reported_nodes >= search_limits.max_nodes) break;
        if (stop_requested.load(std::memory_order_relaxed)) break;
        if (mate_limit_reached(score)) break;
        if (pondering.load(std::memory_order_relaxed)) continue;
        // A move forced on the clock is played at once: thinking cannot change it.
        if (root_move_count == 1 && search_limits.use_clock) break;
        const double best_move_share = node_count > 0 ? static_cast<double>(root_moves[0].nodes) /
                                                            static_cast<double>(node_count)
                                                      : -1.0;
        if (strong_soft_limit_reached(
                IterationReport{stable_iterations, score_drop,
                                iteration_depth >= NODE_SHARE_MIN_DEPTH ? best_move_share : -1.0}))
            break;
    }
    iteration_depth = std::min(iteration_depth, search_limits.max_depth);
    stop_helpers();

    // 4. The move: the front of the list, where a move that beat the last iteration's best in
    // a cut-off iteration has also gone. After a cut-off iteration its line goes out again,
    // with the nodes and time at the end, under the depth last completed.
    root_score = root_moves[0].score;
    if (strong_stopped) {
        iteration_depth = std::max(iteration_depth - 1, 1);
        ThinkingLine line = thinking_line(root_moves[0], root_score);
        line.bound = root_moves[0].bound;
        thinking_output->iteration_finished(line);
    }
    if (root_score == MATE_IN_ONE_SCORE) game_state = side_to_move == 1 ? WHITE_MATES : BLACK_MATES;
    return root_moves[0].move;
}

void SearchThread::helper_search() {
    // 1. A fresh search of the root the main thread set up, looking at the stop flag from the
    // start: a helper need not guarantee a move.
    node_count = 0;
    published_nodes.store(0, std::memory_order_relaxed);
    prepare_strong_ordering();
    strong_stopped = false;
    strong_next_check = HELPER_CHECK_INTERVAL;
    ply = 1;
    collect_root_moves();
    if (nnue_enabled) accumulators.refresh(*this);

    // 2. Deepen as the main thread does, from depth 2 on every other helper, and past a depth
    // that enough threads search already: the threads then fill the table for different depths
    // and the main thread finds more of its next iteration there.
    const int32_t deepest = std::min(search_limits.max_depth, MAX_ITERATION_DEPTH);
    int32_t last_score = 0;
    for (int32_t depth = 1 + index % 2; depth <= deepest && root_move_count > 0; ++depth) {
        if (helpers_must_stop()) break;
        if (depth < deepest && iteration_crowded(depth)) continue;
        iteration_depth = depth;
        selective_depth = 0;
        enter_iteration(depth);
        const int32_t score = search_with_aspiration(depth, last_score, 0);
        leave_iteration(depth);
        if (strong_stopped) break;
        last_score = score;
    }
    published_nodes.store(node_count, std::memory_order_relaxed);
}

void strong_new_game() {
    forget_every_thread_learning();
}
