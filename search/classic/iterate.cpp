#include "search/classic/iterate.h"

#include <algorithm>
#include <cstdlib>

#include "base/engine_state.h"
#include "board/attack.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/movegen.h"
#include "board/repetition.h"
#include "book/book.h"
#include "eval/evaluate.h"
#include "search/classic/ordering.h"
#include "search/classic/search.h"
#include "search/clock.h"
#include "search/root_lines.h"
#include "search/scores.h"
#include "search/thinking.h"
#include "search/transposition.h"

int32_t iteration_depth = 0;
int32_t time_allotted = 0;
bool may_extend_time = false;
bool score_dropped = false;
bool search_aborted = false;
bool first_move_aborted = false;
int32_t last_iteration_score = 0;

namespace {

// MultiPV: the lines of the depth in progress, the iteration's own first. While the further
// ones are searched, the root leaves out the moves of the lines found before and stores nothing
// in the table, whose root entry keeps the best move for the next depth.
RootMove lines[MAX_MOVES];
int32_t line_count = 0;
bool finding_further_lines = false;

// A new best root score this far below the last iteration's may earn more time.
constexpr int32_t SCORE_DROP_MARGIN = 30;
// The root's best score when its move mates at once (mated at ply 2).
constexpr int32_t MATE_IN_ONE_SCORE = MATE_SCORE - 2;

// Of the principal-variation table only two parts can be read before this search writes them:
// row 1, whose move at each ply orders that ply's moves, and the diagonal, whose move a node
// without a legal move stores in the transposition table. Every other entry is read only after
// the node of its row has written it (a node's variation is its own move and then its child's,
// copied up to the length the child set on entry). Clearing those two parts leaves every search
// exactly as clearing the whole table, 7 MB at every move, did.
void clear_search_tables() {
    for (auto& move : pv_table[1])
        move = NULL_MOVE;
    for (int32_t row = 0; row < MAX_PLY; ++row)
        pv_table[row][row] = NULL_MOVE;
    clear_ordering_tables();
}

// Before an iteration: a stop, the node limit, or, from depth 4 on, two thirds of the
// allotment gone (a deeper iteration would not finish in the rest).
bool out_of_time_between_iterations() {
    if (stop_requested.load(std::memory_order_relaxed)) return true;
    if (search_limits.max_nodes > 0 && node_count >= search_limits.max_nodes) return true;
    return search_limits.use_clock && !pondering.load(std::memory_order_relaxed) &&
           search_limits.stop_early && iteration_depth > 3 &&
           elapsed_centiseconds() > (2 * time_allotted) / 3;
}

// A root move the limits leave out, or one whose line this depth has already reported.
bool skipped_at_root(const Move& move) {
    if (!root_move_allowed(move)) return true;
    for (int32_t i = 0; finding_further_lines && i < line_count; ++i)
        if (same_move(lines[i].move, move)) return true;
    return false;
}

// A root move with its score, and the variation its search left in row 1.
void keep_line(RootMove& line, const Move& move, int32_t score) {
    line.move = move;
    line.score = score;
    keep_variation(line, &pv_table[1][1], pv_length[1] - 1);
}

// A root move's variation put back into row 1, where the next iteration's ordering follows it.
void show_variation(const RootMove& root) {
    for (int32_t i = 0; i < root.pv_length; ++i)
        pv_table[1][i + 1] = root.pv[i];
    pv_length[1] = root.pv_length + 1;
}

// What the thinking output is told: the variation in row 1 under the iteration's depth.
ThinkingLine thinking_line(int32_t score, int32_t line_number = 1) {
    ThinkingLine line;
    line.depth = iteration_depth;
    line.nodes = node_count;
    line.score = score;
    line.line = line_number;
    line.pv = &pv_table[1][1];
    line.pv_length = std::max(pv_length[1] - 1, 0);
    return line;
}

// MultiPV after the iteration found the best line: each further line is a root search of the
// moves not yet in a line, as long as the search is not cut off. Then every line goes out, best
// first. Returns the move of the best line, which a further line that scored higher (a rare
// inconsistency of the table) may have replaced.
Move report_every_line(const Move& best) {
    // 1. What the further root searches change but the iteration's result must keep.
    const int32_t best_score = root_score;
    const bool best_score_dropped = score_dropped;
    const int32_t state = game_state;
    line_count = 0;
    keep_line(lines[line_count++], best, best_score);

    // 2. The further lines. A root without its best line's first move follows no variation.
    finding_further_lines = true;
    while (line_count < search_limits.multi_pv) {
        pv_table[1][1] = NULL_MOVE;
        const Move move = search_root(-INFINITE_SCORE, INFINITE_SCORE, iteration_depth);
        if (search_aborted || move.from == 0) break;
        keep_line(lines[line_count++], move, root_score);
    }
    finding_further_lines = false;
    search_aborted = false;
    score_dropped = best_score_dropped;
    game_state = state;

    // 3. Every line, best first; the table row and the root score are the best line's again.
    sort_root_lines(lines, line_count);
    for (int32_t line = 1; line <= line_count; ++line) {
        show_variation(lines[line - 1]);
        thinking_output->iteration_finished(thinking_line(lines[line - 1].score, line));
    }
    show_variation(lines[0]);
    root_score = lines[0].score;
    return lines[0].move;
}

bool ends_in_a_draw(int32_t state) {
    return state == STALEMATE || state == FIFTY_MOVE_DRAW || state == REPETITION_DRAW;
}

} // namespace

bool out_of_time() {
    if (stop_requested.load(std::memory_order_relaxed)) return true;
    if (search_limits.max_nodes > 0 && node_count >= search_limits.max_nodes) return true;
    if (!search_limits.use_clock || pondering.load(std::memory_order_relaxed)) return false;
    if (elapsed_centiseconds() < time_allotted) return false;
    // Once per search, a dropping score may double the allotment when the clock allows it.
    if (may_extend_time && score_dropped) {
        may_extend_time = false;
        if (engine_clock > 5 * static_cast<int64_t>(time_allotted)) {
            time_allotted *= 2;
            return false;
        }
    }
    return true;
}

Move search_best_move() {
    // 1. The book first.
    const Move book_move = choose_book_move();
    if (book_move.from != 0) {
        thinking_output->playing_from_book();
        return book_move;
    }

    // 2-4. A fresh search: the allotment, empty tables, the header. The abort flags are the
    // last search's until cleared here: a root that is already a repetition returns before its
    // iteration clears them, and a stale flag would end the deepening after one iteration.
    node_count = 0;
    next_time_check = 0;
    search_aborted = false;
    first_move_aborted = false;
    may_extend_time = search_limits.may_extend;
    time_allotted =
        search_limits.fixed_allotment >= 0 ? search_limits.fixed_allotment : allot_time();
    clear_search_tables();
    thinking_output->search_started();

    // 5. Deepen one ply at a time.
    Move best = NULL_MOVE;
    for (iteration_depth = 1; iteration_depth <= search_limits.max_depth; ++iteration_depth) {
        if (iteration_depth > 1 && out_of_time_between_iterations()) break;
        const int32_t saved_ep = ep_square;
        const Move root_move = search_root(-INFINITE_SCORE, INFINITE_SCORE, iteration_depth);
        ep_square = saved_ep;
        // An iteration cut off during its first move says nothing; one cut off later still
        // counts with the best move it found.
        if (!first_move_aborted) {
            best = root_move;
            last_iteration_score = root_score;
            if (pv_length[1] < 3 && iteration_depth > 1 && std::abs(root_score) < MATE_THRESHOLD &&
                !ends_in_a_draw(game_state))
                extend_pv_from_table(iteration_depth);
            if (search_limits.multi_pv > 1 && !search_aborted && best.from != 0)
                best = report_every_line(best);
            else
                thinking_output->iteration_finished(thinking_line(root_score));
        }
        reset_killer_scores();
        // Cut off by the clock, the node limit or "stop": a deeper iteration would be cut off
        // at its first look at the clock, after searching for nothing.
        if (search_aborted) break;
        if (!first_move_aborted && mate_limit_reached(root_score)) break;
    }
    return best;
}

Move search_root(int32_t alpha, int32_t beta, int32_t depth) {
    // 1-2. The root itself may be a repetition.
    Move best = NULL_MOVE;
    int32_t extension = 0;
    ply = 1;
    if (search_limits.root_draw_ends_search && is_repetition()) {
        game_state = REPETITION_DRAW;
        root_score = 0;
        pv_length[1] = 0;
        return NULL_MOVE;
    }

    // 3-4. Per-iteration state.
    root_non_pawn_count = non_pawn_count;
    pv_length[1] = 1;
    follow_pv = true;
    search_aborted = false;
    first_move_aborted = false;
    score_dropped = false;

    // 5-7. Only the table's move is used here, to order; the root has no single-reply
    // extension and no null move.
    const ProbeResult probe = tt_probe(alpha, beta, depth);
    const bool in_check = side_to_move_in_check();
    if (in_check) extension = 1;
    Move list[MAX_MOVES];
    int32_t scores[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    order_moves(list, scores, count, probe.move);

    // 8. Every root move is searched; the root never compares with beta.
    bool searched_legal_move = false;
    const bool restricted = finding_further_lines || search_limits.search_move_count > 0;
    for (int i; (i = select_next_move(scores, count)) >= 0;) {
        if (restricted && skipped_at_root(list[i])) continue;
        MoveUndo undo;
        const bool legal = play_move(list, i, undo, in_check);
        int32_t score = 0;
        if (legal) {
            ++node_count;
            score = -search(-beta, -alpha, depth + extension - 1, true);
            if (search_aborted && !searched_legal_move) first_move_aborted = true;
            searched_legal_move = true;
        }
        take_back_move(list, i, undo);
        if (search_aborted) return best;
        if (legal && score > alpha) {
            record_killer(list[i], score);
            alpha = score;
            root_score = score;
            add_history(list[i], depth);
            best = list[i];
            if (score + SCORE_DROP_MARGIN < last_iteration_score) score_dropped = true;
            if (!finding_further_lines) tt_store(depth, score, BOUND_EXACT, list[i]);
            update_pv(list[i]);
            thinking_output->new_best_move(thinking_line(score));
        }
    }

    // 9. The end of the game, seen from the root.
    if (!searched_legal_move) {
        if (in_check)
            game_state = side_to_move == 1 ? BLACK_MATES : WHITE_MATES;
        else
            game_state = STALEMATE;
        return NULL_MOVE;
    }
    if (search_limits.root_draw_ends_search && fifty_move_rule_reached()) {
        game_state = FIFTY_MOVE_DRAW;
        pv_length[1] = 0;
        root_score = 0;
        return NULL_MOVE;
    }
    if (root_score == MATE_IN_ONE_SCORE) game_state = side_to_move == 1 ? WHITE_MATES : BLACK_MATES;
    return best;
}

void extend_pv_from_table(int32_t n) {
    if (n == 0) return;
    const TTEntry& entry = tt_entries[key_low(hash_key) & tt_mask];
    if (entry.key_low != key_low(hash_key) || entry.key_high != key_high(hash_key)) return;

    // The stored move may belong to another position with the same key: only a move that is
    // legal here, as the generator makes it, goes into the variation.
    char text[MOVE_TEXT_SIZE];
    format_move(text, entry.move);
    Move move[1];
    if (!parse_user_move(text, move[0])) return;

    const int32_t column = iteration_depth - n + 1;
    pv_table[1][column] = move[0];
    pv_length[1] = column + 1;

    MoveUndo undo;
    if (play_move(move, 0, undo)) extend_pv_from_table(n - 1);
    take_back_move(move, 0, undo);
}
