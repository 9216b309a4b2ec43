// Move ordering of the strong search: the table move, then captures that do not lose material
// (most valuable victim first), killers and the counter move, quiet moves by their history,
// and last the captures the exchange evaluation calls losing. Also owns the tables that learn
// from cutoffs: history per side and squares, two killers per ply, a counter move per
// previous piece and square.
#pragma once

#include <array>
#include <cstdint>

#include "board/game.h"
#include "board/position.h"

// History scores stay within +-HISTORY_LIMIT: each update moves a score part of the way
// towards the limit, so old results fade as new ones come.
inline constexpr int32_t HISTORY_LIMIT = 16384;
extern int16_t strong_history[2][BOARD_SQUARES][BOARD_SQUARES]; // [side][from][to]
extern Move strong_killers[MAX_PLY][2];
extern Move counter_moves[PIECE_CODES][BOARD_SQUARES]; // [previous piece][previous target]
// The move that led to the position at each ply and the piece it put on its target
// (NULL_MOVE and 0 at the root and after a null move): the counter move's key.
extern Move move_stack[MAX_PLY];
extern int32_t moved_piece_stack[MAX_PLY];

// Continuation history: how a quiet move (its piece and target) fared right after a given move
// (the piece that move put on its target, and the target), one ply back (the opponent's move
// just made) and two plies back (the side's own move before it). Targets count over the 64
// board squares; a null move, and the plies before the root, share the row of piece 0.
extern int16_t continuation_history[PIECE_CODES][64][PIECE_CODES][64];
using ContinuationRow = int16_t[PIECE_CODES][64];

// The board square's number 0..63 (0 for border squares and square 0, a null move's).
inline constexpr std::array<uint8_t, BOARD_SQUARES> square_64 = [] {
    std::array<uint8_t, BOARD_SQUARES> numbers{};
    for (int bit = 0; bit < 64; ++bit)
        numbers[square_of_bit[bit]] = static_cast<uint8_t>(bit);
    return numbers;
}();

// The continuation row of the move `back` plies before the current position's (0: the move that
// led here).
inline ContinuationRow& continuation_row(int32_t back) {
    const int32_t at = ply - back;
    return continuation_history[moved_piece_stack[at]][square_64[move_stack[at].to]];
}

inline bool is_queen_promotion(const Move& move) {
    return move.promotion == WHITE_QUEEN || move.promotion == BLACK_QUEEN;
}

inline bool is_quiet(const Move& move) {
    return move.captured == EMPTY && move.promotion == 0;
}

// The ordering scores of list[0 .. count-1] at the current ply. Bands, from the top: the table
// move, good captures and queen promotions, killers, the counter move, quiet moves by history,
// losing captures and under-promotions.
void score_moves(const Move* list, int32_t* scores, int32_t count, const Move& table_move);
// Captures and promotions only, by victim and attacker (the quiescence search).
void score_captures(const Move* list, int32_t* scores, int32_t count);

// Swaps the best remaining move to position `next` and returns false when none is left. With
// `may_sort` (for nodes that will likely try many moves) the rest of the list is sorted at once
// after the first few picks; without, every move is picked by a scan.
bool pick_next_move(Move* list, int32_t* scores, int32_t count, int32_t next, bool may_sort);

// Score bands, far enough apart that nothing inside a band reaches the next.
inline constexpr int32_t TABLE_MOVE_SCORE = 1000000000;
inline constexpr int32_t GOOD_CAPTURE_BAND = 200000000;
inline constexpr int32_t FIRST_KILLER_SCORE = 100000002;
inline constexpr int32_t SECOND_KILLER_SCORE = 100000001;
inline constexpr int32_t COUNTER_MOVE_SCORE = 100000000;
inline constexpr int32_t BAD_CAPTURE_BAND = -100000000;

// Removes the quiet moves that give no check from list[from .. count-1] (and their scores, when
// given), keeping the others in order; returns the new count. Once a node prunes all further
// quiet moves, it need not pick its way past them; a check is never pruned that way, so that no
// mate in one is missed.
int32_t drop_quiet_moves(Move* list, int32_t* scores, int32_t count, int32_t from);
// Killers and the counter move score in a band of their own above the other quiet moves.
inline bool is_killer_or_counter_score(int32_t score) {
    return score >= COUNTER_MOVE_SCORE && score <= FIRST_KILLER_SCORE;
}
inline bool is_losing_capture_score(int32_t score) {
    return score < BAD_CAPTURE_BAND / 2;
}

// A quiet move caused a cutoff at a node searched to `depth`: it becomes a killer and the
// counter move of the previous move, its history rises and that of the quiet moves tried before
// it falls.
void reward_quiet_cutoff(const Move& move, int32_t depth, const Move* tried, int32_t tried_count);

// A quiet move's history: by its squares, and by its piece and target after the last two
// moves. Asked before the move is made.
inline int32_t history_of(const Move& move) {
    const int32_t piece = board[move.from];
    const int to = square_64[move.to];
    return strong_history[side_to_move][move.from][move.to] + continuation_row(0)[piece][to] +
           continuation_row(1)[piece][to];
}
inline const Move& counter_move() {
    return counter_moves[moved_piece_stack[ply]][move_stack[ply].to];
}

// Start of a search: killers go, history is halved (what was learnt on the last move mostly
// still holds on this one).
void prepare_strong_ordering();
// ucinewgame: everything learnt goes.
void clear_strong_ordering();
