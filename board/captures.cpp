#include "board/movegen.h"

namespace {

void add_white_pawn_captures(Move* list, int32_t& count, int sq) {
    if (is_black_piece(board[sq + 13])) add_pawn_move(list, count, sq, sq + 13, 0);
    if (is_black_piece(board[sq + 11])) add_pawn_move(list, count, sq, sq + 11, 0);
    if (ep_square == sq + 13) add_pawn_move(list, count, sq, sq + 13, 1);
    if (ep_square == sq + 11) add_pawn_move(list, count, sq, sq + 11, 1);
    if (board[sq + 12] == EMPTY && rank_of[sq] == 7) add_pawn_move(list, count, sq, sq + 12, 0);
}

void add_black_pawn_captures(Move* list, int32_t& count, int sq) {
    if (is_white_piece(board[sq - 13])) add_pawn_move(list, count, sq, sq - 13, 0);
    if (is_white_piece(board[sq - 11])) add_pawn_move(list, count, sq, sq - 11, 0);
    if (ep_square == sq - 13) add_pawn_move(list, count, sq, sq - 13, 1);
    if (ep_square == sq - 11) add_pawn_move(list, count, sq, sq - 11, 1);
    if (board[sq - 12] == EMPTY && rank_of[sq] == 2) add_pawn_move(list, count, sq, sq - 12, 0);
}

} // namespace

void generate_captures(Move* list, int32_t& count) {
    const int32_t* slots = side_slots[side_to_move];
    const int32_t slot_count = side_slot_count[side_to_move];
    for (int32_t k = 0; k < slot_count; ++k) {
        // A hole left by a capture reads square 0, a border square: OFF_BOARD takes the switch's
        // default, which spares a test that is mispredicted whenever holes and pieces alternate.
        const int sq = piece_list[slots[k]];
        const int32_t piece = board[sq];
        switch (piece) {
        case WHITE_PAWN: add_white_pawn_captures(list, count, sq); break;
        case BLACK_PAWN: add_black_pawn_captures(list, count, sq); break;
        case WHITE_KNIGHT:
        case BLACK_KNIGHT:
            for (int jump : KNIGHT_JUMPS)
                add_capture(list, count, sq, sq + jump);
            break;
        case WHITE_KING:
        case BLACK_KING:
            for (int step : KING_STEPS)
                add_capture(list, count, sq, sq + step);
            break;
        case WHITE_ROOK:
        case BLACK_ROOK:
            for (int ray : ROOK_RAYS)
                add_slide_capture(list, count, sq, sq + ray);
            break;
        case WHITE_QUEEN:
        case BLACK_QUEEN:
            for (int ray : QUEEN_RAYS)
                add_slide_capture(list, count, sq, sq + ray);
            break;
        case WHITE_BISHOP:
        case BLACK_BISHOP:
            for (int ray : BISHOP_RAYS)
                add_slide_capture(list, count, sq, sq + ray);
            break;
        default: break;
        }
    }
}
