#include "board/movegen.h"

// A pawn's steps that do not reach the last rank: the double step first, as generate_moves has
// them.
void Position::add_white_pawn_quiets(Move* list, int32_t& count, int sq) const {
    if (rank_of[sq] == 2 && board[sq + 24] == EMPTY && board[sq + 12] == EMPTY)
        append_move(list, count, sq, sq + 24, EMPTY, 0, 0, CASTLE_NONE);
    if (board[sq + 12] == EMPTY && rank_of[sq] != 7)
        append_move(list, count, sq, sq + 12, EMPTY, 0, 0, CASTLE_NONE);
}

void Position::add_black_pawn_quiets(Move* list, int32_t& count, int sq) const {
    if (rank_of[sq] == 7 && board[sq - 24] == EMPTY && board[sq - 12] == EMPTY)
        append_move(list, count, sq, sq - 24, EMPTY, 0, 0, CASTLE_NONE);
    if (board[sq - 12] == EMPTY && rank_of[sq] != 2)
        append_move(list, count, sq, sq - 12, EMPTY, 0, 0, CASTLE_NONE);
}

// A knight's jumps or a king's steps to empty squares (the border is never EMPTY).
inline void Position::add_step_quiets(Move* list, int32_t& count, int from,
                                      const int (&steps)[8]) const {
    for (int step : steps)
        if (board[from + step] == EMPTY)
            append_move(list, count, from, from + step, EMPTY, 0, 0, CASTLE_NONE);
}

// The empty squares along each ray, nearest first.
template <int N>
inline void Position::add_slide_quiets(Move* list, int32_t& count, int from,
                                       const int (&rays)[N]) const {
    for (int step : rays)
        for (int to = from + step; board[to] == EMPTY; to += step)
            append_move(list, count, from, to, EMPTY, 0, 0, CASTLE_NONE);
}

void Position::generate_quiet_moves(Move* list, int32_t& count) const {
    const int32_t* slots = side_slots[side_to_move];
    const int32_t slot_count = side_slot_count[side_to_move];
    for (int32_t k = 0; k < slot_count; ++k) {
        // A hole left by a capture reads square 0, a border square, and takes the default.
        const int sq = piece_list[slots[k]];
        switch (board[sq]) {
        case WHITE_PAWN: add_white_pawn_quiets(list, count, sq); break;
        case BLACK_PAWN: add_black_pawn_quiets(list, count, sq); break;
        case WHITE_KNIGHT:
        case BLACK_KNIGHT: add_step_quiets(list, count, sq, KNIGHT_JUMPS); break;
        case WHITE_BISHOP:
        case BLACK_BISHOP: add_slide_quiets(list, count, sq, BISHOP_RAYS); break;
        case WHITE_ROOK:
        case BLACK_ROOK: add_slide_quiets(list, count, sq, ROOK_RAYS); break;
        case WHITE_QUEEN:
        case BLACK_QUEEN: add_slide_quiets(list, count, sq, QUEEN_RAYS); break;
        case WHITE_KING:
            add_step_quiets(list, count, sq, KING_STEPS);
            add_castlings(list, count, sq, E1, H1, A1, WHITE_ROOK, CASTLE_WHITE_KINGSIDE,
                          CASTLE_WHITE_QUEENSIDE);
            break;
        case BLACK_KING:
            add_step_quiets(list, count, sq, KING_STEPS);
            add_castlings(list, count, sq, E8, H8, A8, BLACK_ROOK, CASTLE_BLACK_KINGSIDE,
                          CASTLE_BLACK_QUEENSIDE);
            break;
        default: break;
        }
    }
}
