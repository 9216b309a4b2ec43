// One thread of the strong search: its own copy of the position, and everything its search keeps
// for itself, the tables that learn from cutoffs and from the evaluation's errors, the per-ply
// stacks, the principal variation, the root moves and the node count. Only the transposition
// table, the limits and the network's weights are shared between threads. The main thread
// (index 0) decides the move and reports; helpers search the same root beside it (search/strong/
// threads.h).
//
// A SearchThread takes about 3.7 MB: the continuation history 1.6 MB, the pawn cache 0.9 MB, the
// root moves 0.4 MB, the network's sums 0.3 MB, the position (with the game's history) 0.15 MB,
// the other tables the rest.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/position.h"
#include "eval/pawn_structure.h"
#include "nnue/accumulator.h"
#include "search/root_lines.h"
#include "search/strong/correction.h"
#include "search/strong/ordering.h"
#include "search/strong/search.h"
#include "search/strong/table.h"
#include "search/thinking.h"

class SearchThread : public Position {
  public:
    // 0 for the main thread, 1, 2, ... for the helpers.
    int32_t index = 0;

    // ---- The search in progress (search/strong/search.cpp, root.cpp).

    // Legal moves this thread made in the current search; published (for the sum over the
    // threads that "info nodes" and "go nodes" count) at every look at the limits.
    int64_t node_count = 0;
    std::atomic<int64_t> published_nodes{0};
    // The iteration in progress, and the deepest ply it has reached.
    int32_t iteration_depth = 0;
    int32_t selective_depth = 0;
    // Set once the search must unwind (hard limit, node limit or "stop"); looked at after
    // every move the search takes back.
    bool strong_stopped = false;
    // The nodes at which the search next looks at the limits.
    int64_t strong_next_check = 0;

    // Row p holds the principal variation found at ply p in columns p .. pv_length[p] - 1.
    Move pv_table[STRONG_PLY_ROWS][STRONG_PLY_ROWS];
    int32_t pv_length[STRONG_PLY_ROWS];
    // The static evaluation of each ply's position (NO_EVAL in check).
    int32_t static_eval_stack[STRONG_PLY_ROWS];
    // The move a singular-extension search leaves out at each ply (NULL_MOVE: none).
    Move excluded_move[STRONG_PLY_ROWS];

    // The legal root moves the limits allow, each with its score and its own line.
    RootMove root_moves[MAX_MOVES];
    int32_t root_move_count = 0;

    // ---- The ordering's tables (search/strong/ordering.h).

    int16_t strong_history[2][BOARD_SQUARES][BOARD_SQUARES]; // [side][from][to]
    Move strong_killers[STRONG_PLY_ROWS][2];
    Move counter_moves[PIECE_CODES][BOARD_SQUARES]; // [previous piece][previous target]
    // The move that led to the position at each ply and the piece it put on its target
    // (NULL_MOVE and 0 at the root and after a null move): the counter move's key.
    Move move_stack[STRONG_PLY_ROWS];
    int32_t moved_piece_stack[STRONG_PLY_ROWS];
    // Continuation history: how a quiet move (its piece and target) fared right after a given
    // move (the piece that move put on its target, and the target), one ply back (the
    // opponent's move just made) and two plies back (the side's own move before it). Targets
    // count over the 64 board squares; a null move, and the plies before the root, share the
    // row of piece 0.
    int16_t continuation_history[PIECE_CODES][64][PIECE_CODES][64];
    // Capture history: how a capture or promotion fared, by the moving piece, its target and
    // the piece taken (EMPTY for a promotion without capture).
    int16_t capture_history[PIECE_CODES][64][PIECE_CODES];

    // ---- Correction history (search/strong/correction.h): per side to move, by pawn structure
    // and by material.
    int16_t pawn_correction[2][CORRECTION_SLOTS];
    int16_t material_correction[2][CORRECTION_SLOTS];

    // ---- The evaluation's own: the pawn structures seen, the network's sums along the path.
    PawnCache pawn_cache;
    Accumulators accumulators;

    // ---- Search (search/strong/search.cpp).

    // The caller has made the move leading here and incremented ply. A window of width 1 is a
    // zero-window node, anything wider a principal-variation node. The result means nothing
    // when strong_stopped is set on return.
    int32_t strong_search(int32_t alpha, int32_t beta, int32_t depth, bool null_allowed,
                          CheckKnown check = CheckKnown::UNKNOWN);
    int32_t strong_quiesce(int32_t alpha, int32_t beta, int32_t quiescence_ply);
    // The position's evaluation: the network's, or the hand-written one.
    int32_t strong_static_eval();
    // Stores `move` as the first move of this ply's principal variation, followed by the
    // child's.
    void update_pv(const Move& move);

    // ---- The root (search/strong/root.cpp).

    // The legal moves of the position that the limits allow (all of them when they allow
    // none), in the strong ordering (table move, captures, quiet moves), into root_moves.
    void collect_root_moves();
    // One iteration over root_moves[first .. root_move_count-1] within (alpha, beta); returns
    // the best score (a bound when it falls outside the window). The best move ends up at
    // `first`.
    int32_t search_root_moves(int32_t alpha, int32_t beta, int32_t depth, int32_t first);
    // The main thread's search of its position, reporting as it goes: the best move, or
    // NULL_MOVE when the root has no legal move or is already a draw (game_state tells which).
    Move main_search();
    // A helper's search of its position (a copy of the main thread's root): the same iterative
    // deepening, from depth 1 or 2 by its index, skipping an iteration that half the threads
    // already search, until the main thread stops it or the deepest iteration is done. It
    // reports nothing; what it finds reaches the main thread through the table.
    void helper_search();

    // ---- The limits (search/strong/time_management.cpp).

    // Looks at the limits and sets strong_stopped; the next look comes a few hundred nodes
    // later. The root holds the looks off until its first iteration is done, so that it always
    // has a move.
    void strong_check_limits();
    void strong_poll_limits() {
        if (node_count >= strong_next_check) strong_check_limits();
    }

    // ---- Ordering (search/strong/ordering.cpp).

    // The ordering scores of list[0 .. count-1] at the current ply. Bands, from the top: the
    // table move, good captures and queen promotions, killers, the counter move, quiet moves by
    // history, losing captures and under-promotions.
    void score_moves(const Move* list, int32_t* scores, int32_t count, const Move& table_move);
    // The score of one capture or promotion in those bands: a good capture (marked for the
    // exchange evaluation when its piece is worth more than its victim) or an under-promotion.
    int32_t capture_score(const Move& move);
    // Settles a marked capture's place by the exchange evaluation when it comes up: it keeps
    // its score, without the mark, or moves to the losing band. True when it moved.
    bool settle_capture(const Move& move, int32_t& score) const;
    // Captures and promotions only, by victim and attacker (the quiescence search).
    void score_captures(const Move* list, int32_t* scores, int32_t count);
    // Swaps the best remaining move to position `next` and returns false when none is left.
    // With `may_sort` (for nodes that will likely try many moves) the rest of the list is
    // sorted at once after the first few picks; without, every move is picked by a scan.
    bool pick_next_move(Move* list, int32_t* scores, int32_t count, int32_t next, bool may_sort);
    // A quiet move caused a cutoff at a node searched to `depth`: it becomes a killer and the
    // counter move of the previous move, its history rises and that of the quiet moves tried
    // before it falls.
    void reward_quiet_cutoff(const Move& move, int32_t depth, const Move* tried,
                             int32_t tried_count);
    // A move caused a cutoff at a node searched to `depth`: the history of a capture that cut
    // rises, and that of the captures tried before it, which did not, falls.
    void reward_capture_cutoff(const Move& move, int32_t depth, const Move* tried,
                               int32_t tried_count);
    // The continuation row of the move `back` plies before the current position's (0: the move
    // that led here).
    ContinuationRow& continuation_row(int32_t back) {
        const int32_t at = ply - back;
        return continuation_history[moved_piece_stack[at]][square_64[move_stack[at].to]];
    }
    // A quiet move's history: by its squares, and by its piece and target after the last two
    // moves. Asked before the move is made.
    int32_t history_of(const Move& move) {
        const int32_t piece = board[move.from];
        const int to = square_64[move.to];
        return strong_history[side_to_move][move.from][move.to] + continuation_row(0)[piece][to] +
               continuation_row(1)[piece][to];
    }
    // A capture's or promotion's history. Asked before the move is made.
    int16_t& capture_history_of(const Move& move) {
        return capture_history[board[move.from]][square_64[move.to]][move.captured];
    }
    const Move& counter_move() const {
        return counter_moves[moved_piece_stack[ply]][move_stack[ply].to];
    }
    // Start of a search: killers go, history is halved (what was learnt on the last move mostly
    // still holds on this one).
    void prepare_strong_ordering();
    // A new game: everything learnt goes.
    void clear_strong_ordering();

    // ---- Correction history (search/strong/correction.cpp).

    // The static evaluation of the position corrected by what was learnt.
    int32_t corrected_evaluation(int32_t raw_evaluation) const;
    // A search of `depth` found `score` where the evaluation (uncorrected) said
    // `raw_evaluation`: both tables move towards the difference, the more the deeper the
    // search.
    void learn_evaluation_error(int32_t raw_evaluation, int32_t score, int32_t depth);
    // Forgets everything (a new game).
    void clear_correction_history();

    // A new game: the ordering, the correction history and the pawn cache as on a fresh thread.
    void forget_everything();

  private:
    // The quiescence node, told whether the side to move must answer a check (only in the first
    // plies; deeper a side in check stands pat like any other), and the static evaluation (the
    // corrected one and the one it was corrected from) when the caller has already taken it for
    // this very position.
    int32_t quiesce_node(int32_t alpha, int32_t beta, int32_t quiescence_ply, bool in_check,
                         int32_t static_eval = NO_EVAL, int32_t raw_eval = NO_EVAL);
    bool has_own_pieces() const;
    void prefetch_table_slot() const;
    void prefetch_child_slot(const Move& move) const;
    void note_move_played(const Move& move);
    int32_t try_null_move(int32_t beta, int32_t depth, int32_t eval);
    int32_t search_with_aspiration(int32_t depth, int32_t last_score, int32_t first);
    Move report_drawn_root(int32_t state);
    ThinkingLine thinking_line(const RootMove& root, int32_t score, int32_t line_number = 1) const;
    int32_t victim_attacker_score(const Move& move) const;
    int32_t capture_order_score(const Move& move);
    uint32_t material_slot() const;
    uint32_t pawn_slot() const;
};
