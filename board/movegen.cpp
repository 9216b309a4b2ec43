#include "board/movegen.h"

void Position::add_white_pawn_moves(Move* list, int32_t& count, int sq) const {
    if (rank_of[sq] == 2 && board[sq + 24] == EMPTY && board[sq + 12] == EMPTY)
        add_pawn_move(list, count, sq, sq + 24, 0);
    if (is_black_piece(board[sq + 13])) add_pawn_move(list, count, sq, sq + 13, 0);
    if (is_black_piece(board[sq + 11])) add_pawn_move(list, count, sq, sq + 11, 0);
    if (ep_square == sq + 13) add_pawn_move(list, count, sq, sq + 13, 1);
    if (ep_square == sq + 11) add_pawn_move(list, count, sq, sq + 11, 1);
    if (board[sq + 12] == EMPTY) add_pawn_move(list, count, sq, sq + 12, 0);
}

void Position::add_black_pawn_moves(Move* list, int32_t& count, int sq) const {
    if (rank_of[sq] == 7 && board[sq - 24] == EMPTY && board[sq - 12] == EMPTY)
        add_pawn_move(list, count, sq, sq - 24, 0);
    if (is_white_piece(board[sq - 13])) add_pawn_move(list, count, sq, sq - 13, 0);
    if (is_white_piece(board[sq - 11])) add_pawn_move(list, count, sq, sq - 11, 0);
    if (ep_square == sq - 13) add_pawn_move(list, count, sq, sq - 13, 1);
    if (ep_square == sq - 11) add_pawn_move(list, count, sq, sq - 11, 1);
    if (board[sq - 12] == EMPTY) add_pawn_move(list, count, sq, sq - 12, 0);
}

// Castlings after the king's steps, kingside first. Whether the king is in check or crosses an
// attacked square is decided by move_was_legal after the move is made.
void Position::add_castlings(Move* list, int32_t& count, int sq, int home, int kingside_rook_square,
                             int queenside_rook_square, int32_t rook, uint8_t kingside,
                             uint8_t queenside) const {
    if (sq != home || square_move_count[home] != 0) return;
    if (square_move_count[kingside_rook_square] == 0 && board[kingside_rook_square] == rook &&
        board[home + 1] == EMPTY && board[home + 2] == EMPTY)
        add_king_move(list, count, sq, home + 2, kingside);
    if (square_move_count[queenside_rook_square] == 0 && board[queenside_rook_square] == rook &&
        board[home - 1] == EMPTY && board[home - 2] == EMPTY && board[home - 3] == EMPTY)
        add_king_move(list, count, sq, home - 2, queenside);
}

// Every move of the piece on `sq`, in the generators' order.
inline void Position::add_piece_moves(Move* list, int32_t& count, int sq) const {
    switch (board[sq]) {
    case WHITE_PAWN: add_white_pawn_moves(list, count, sq); break;
    case BLACK_PAWN: add_black_pawn_moves(list, count, sq); break;
    case WHITE_KNIGHT:
    case BLACK_KNIGHT:
        for (int jump : KNIGHT_JUMPS)
            add_knight_move(list, count, sq, sq + jump);
        break;
    case WHITE_BISHOP:
    case BLACK_BISHOP:
        for (int ray : BISHOP_RAYS)
            add_slide_moves(list, count, sq, sq + ray);
        break;
    case WHITE_ROOK:
    case BLACK_ROOK:
        for (int ray : ROOK_RAYS)
            add_slide_moves(list, count, sq, sq + ray);
        break;
    case WHITE_QUEEN:
    case BLACK_QUEEN:
        for (int ray : QUEEN_RAYS)
            add_slide_moves(list, count, sq, sq + ray);
        break;
    case WHITE_KING:
        for (int step : KING_STEPS)
            add_king_move(list, count, sq, sq + step, CASTLE_NONE);
        add_castlings(list, count, sq, E1, H1, A1, WHITE_ROOK, CASTLE_WHITE_KINGSIDE,
                      CASTLE_WHITE_QUEENSIDE);
        break;
    case BLACK_KING:
        for (int step : KING_STEPS)
            add_king_move(list, count, sq, sq + step, CASTLE_NONE);
        add_castlings(list, count, sq, E8, H8, A8, BLACK_ROOK, CASTLE_BLACK_KINGSIDE,
                      CASTLE_BLACK_QUEENSIDE);
        break;
    default: break;
    }
}

void Position::generate_moves(Move* list, int32_t& count) const {
    const int32_t* slots = side_slots[side_to_move];
    const int32_t slot_count = side_slot_count[side_to_move];
    for (int32_t k = 0; k < slot_count; ++k) {
        const int sq = piece_list[slots[k]];
        if (sq == 0) continue; // a hole left by a capture
        add_piece_moves(list, count, sq);
    }
}

bool Position::find_generated_move(const Move& wanted, Move& found) const {
    if (wanted.from >= BOARD_SQUARES) return false;
    const int32_t piece = board[wanted.from];
    // Only a piece of the side to move (white pieces are odd, EMPTY too, OFF_BOARD even).
    if (piece == EMPTY || piece == OFF_BOARD || (piece & 1) != side_to_move) return false;
    Move moves[MAX_PIECE_MOVES];
    int32_t count = 0;
    add_piece_moves(moves, count, wanted.from);
    for (int32_t i = 0; i < count; ++i) {
        if (same_move(moves[i], wanted)) {
            found = moves[i];
            return true;
        }
    }
    return false;
}
