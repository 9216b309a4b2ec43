// Attack and check detection. Generation is pseudo-legal; legality is decided after a move is
// made, by asking whether the mover's king (or, for castling, any square the king touched)
// is attacked.
#pragma once

#include <cstdint>

#include "board/position.h"

// True when a piece of the given colour attacks `square`. The square's own content is never
// looked at.
bool square_attacked(int square, bool by_white);

bool side_to_move_in_check();

// Asked after make_move(list, index) and before its unmake: did the side that moved leave its
// king attacked, or castle out of, through or into check?
bool move_was_legal(const Move* list, int index);

// The same answer, given whether the side that moved was in check before the move (true is
// always safe). A side not in check that moves neither its king nor en passant can only uncover
// an attack along the line from its king through the square the piece left, so only that line
// is looked at; everything else takes the full test.
bool move_was_legal(const Move* list, int index, bool mover_was_in_check);

// The squares from which a move by the side to move can leave its own king attacked, taken once
// per node before its moves: every square while it is in check; otherwise its king's square
// (king moves and castlings) and the squares of every line from the king on which an enemy slider
// that moves along such lines stands, whatever lies between. A piece leaving any other square
// uncovers no attack, so such a move (unless en passant, which empties a second square) needs no
// test at all after it is made.
uint64_t squares_needing_legality_test(bool in_check);

// Taken once per node whose side to move is in check: the squares a move other than a king move
// or en passant must reach to answer the check, that is the checking piece's square and, for a
// slider, the squares between it and the king. None under a double check, which only the king
// can answer.
uint64_t check_evasion_squares();

// Asked before the move is made: false when the move certainly gives no check, true when it
// gives one, directly or by uncovering a slider, and for castling and en passant, which are not
// worked out. Pruning spares the moves it answers true for, so that no mate in one is pruned.
bool may_give_check(const Move& move);

// False for a move that certainly leaves the king of the side to move, which is in check, still
// attacked; true for every other move, whose legality is then settled after it is made (the
// king's own moves and en passant are always left to that test).
inline bool may_answer_check(const Move& move, uint64_t evasion_squares) {
    const int32_t mover = board[move.from];
    return mover == WHITE_KING || mover == BLACK_KING || move.ep_flag ||
           (square_bit[move.to] & evasion_squares) != 0;
}
