// Playing a move on a position and taking it back (declared in board/position.h): play_move and
// take_back_move, defined here so that the search inlines them.
#pragma once

#include <cassert>
#include <cstdint>

#include "board/attack.h"
#include "board/consistency.h"
#include "board/position.h"

inline bool Position::play_move(Move* list, int index, MoveUndo& undo, bool in_check,
                                uint64_t squares_to_test) {
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

inline void Position::take_back_move(const Move* list, int index, const MoveUndo& undo) {
    --ply;
    unmake_move(list, index);
    hash_key = undo.key;
    pawn_key = undo.pawn_key;
    ep_square = undo.ep_square;
    assert(position_is_consistent());
}
