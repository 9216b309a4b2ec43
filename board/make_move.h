// Playing a move on the one position and taking it back.
//
// unmake_move restores everything make_move changed but the keys (hash_key, pawn_key) and the
// en-passant square, which the caller keeps. Callers that try a move and take it back use play_move
// and take_back_move, which keep those two, count the ply and ask legality in the one order every
// such caller needs.
#pragma once

#include <cassert>
#include <cstdint>

#include "board/attack.h"
#include "board/consistency.h"
#include "board/position.h"

// Plays list[index]; writes the record's captured_slot, which unmake_move reads back, so the
// record must stay in place until then.
void make_move(Move* list, int index);

// Takes back list[index]; called with the same list, index and ply as the make, last in first
// out. The keys and en-passant square are still the made move's until the caller restores them.
void unmake_move(const Move* list, int index);

// What a move or a null move leaves for its taker-back to restore.
struct MoveUndo {
    uint64_t key;
    uint64_t pawn_key;
    int32_t ep_square;
};

// Plays list[index] one ply deeper and answers whether it was legal. The move stands either
// way: every play_move is followed by its take_back_move. A caller that knows whether the side
// to move is in check passes it, and most moves then need no attack test; true is always safe.
// A node that took squares_needing_legality_test(in_check) before its moves passes those squares
// too: a move from any other square, not en passant, is then legal without a test (any larger
// set is safe).
inline bool play_move(Move* list, int index, MoveUndo& undo, bool in_check = true,
                      uint64_t squares_to_test = ~uint64_t{0}) {
    // (Nothing holds on a board whose side to move was set by hand: see side_set_by_hand.)
    assert(side_set_by_hand || in_check || !side_to_move_in_check());
    assert(side_set_by_hand || (squares_needing_legality_test(in_check) & ~squares_to_test) == 0);
    undo.key = hash_key;
    undo.pawn_key = pawn_key;
    undo.ep_square = ep_square;
    const Move& move = list[index];
    // (Without squares the test is certain, and the compiler drops the look at the move.)
    const bool needs_test = squares_to_test == ~uint64_t{0} ||
                            (squares_to_test & square_bit[move.from]) != 0 || move.ep_flag;
    make_move(list, index);
    ++ply;
    const bool legal = !needs_test || move_was_legal(list, index, in_check);
    assert(side_set_by_hand || legal == move_was_legal(list, index));
    return legal;
}

inline void take_back_move(const Move* list, int index, const MoveUndo& undo) {
    --ply;
    unmake_move(list, index);
    hash_key = undo.key;
    pawn_key = undo.pawn_key;
    ep_square = undo.ep_square;
    assert(position_is_consistent());
}

// Passes the move to the opponent one ply deeper: the position joins the history, the
// fifty-move count runs on, and an en-passant right lapses.
void make_null_move(MoveUndo& undo);
void unmake_null_move(const MoveUndo& undo);
