#include "board/position.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "base/engine_state.h"
#include "board/game.h"
#include "board/keys.h"

Position game_position;

namespace {

constexpr int32_t WHITE_BACK_RANK[8] = {WHITE_ROOK, WHITE_KNIGHT, WHITE_BISHOP, WHITE_QUEEN,
                                        WHITE_KING, WHITE_BISHOP, WHITE_KNIGHT, WHITE_ROOK};
constexpr int32_t BLACK_BACK_RANK[8] = {BLACK_ROOK, BLACK_KNIGHT, BLACK_BISHOP, BLACK_QUEEN,
                                        BLACK_KING, BLACK_BISHOP, BLACK_KNIGHT, BLACK_ROOK};

} // namespace

int32_t initial_piece_on(int square) {
    const int rank = rank_of[square], file = file_of[square];
    if (rank == 0) return OFF_BOARD;
    switch (rank) {
    case 1: return WHITE_BACK_RANK[file - 1];
    case 2: return WHITE_PAWN;
    case 7: return BLACK_PAWN;
    case 8: return BLACK_BACK_RANK[file - 1];
    default: return EMPTY;
    }
}

void new_game() {
    for (int square = 0; square < BOARD_SQUARES; ++square)
        board[square] = initial_piece_on(square);
    for (int square = 0; square < BOARD_SQUARES; ++square)
        square_move_count[square] = 0;
    white_king_square = E1;
    black_king_square = E8;
    side_to_move = 1;
    ep_square = 0;
    white_castled = 0;
    black_castled = 0;
    fifty_counter = 0;
    key_history_count = 0;
    side_set_by_hand = false;
    non_pawn_count = 14;
    game_state = IN_PROGRESS;
    post_flag = 1; // a new game turns thinking output on
    rebuild_piece_list();
    hash_key = compute_key();
    pawn_key = compute_pawn_key();
    key_history[0] = hash_key;
}

void hand_move_to(int32_t side) {
    if (side != side_to_move) side_set_by_hand = true;
    side_to_move = side;
}

void Position::copy_from(const Position& source) {
    // Everything before the key history is a few kilobytes; of the history, only what the game
    // has filled.
    static_assert(std::is_standard_layout_v<Position> && std::is_trivially_copyable_v<Position>);
    std::memcpy(static_cast<void*>(this), &source, offsetof(Position, key_history));
    std::memcpy(key_history, source.key_history,
                sizeof(uint64_t) * static_cast<size_t>(source.key_history_count + 1));
}

void Position::rebuild_piece_list() {
    piece_list[0] = 0;
    int32_t slots = 0;
    side_slot_count[0] = side_slot_count[1] = 0;
    pawn_slot_count = piece_slot_count = 0;
    promoted_pawns = 0;
    for (int square = A1; square <= H8; ++square) {
        const int32_t code = board[square];
        if (code != OFF_BOARD && code != EMPTY) {
            ++slots;
            piece_list[slots] = square;
            piece_index[square] = slots;
            const int colour = code & 1;
            side_slots[colour][side_slot_count[colour]++] = slots;
            if (code == WHITE_PAWN || code == BLACK_PAWN)
                pawn_slots[pawn_slot_count++] = slots;
            else
                piece_slots[piece_slot_count++] = slots;
        } else {
            piece_index[square] = 0;
        }
    }
    piece_count = slots;
    rebuild_square_sets();
}

void Position::rebuild_square_sets() {
    for (uint64_t& squares : squares_of)
        squares = 0;
    for (int bit = 0; bit < 64; ++bit)
        squares_of[board[square_of_bit[bit]]] |= uint64_t{1} << bit;
}
