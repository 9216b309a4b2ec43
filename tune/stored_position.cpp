#include "tune/stored_position.h"

#include <cstring>

#include "board/game.h"
#include "board/keys.h"
#include "eval/evaluate.h"

namespace {

int bit_of(int square) {
    return 8 * (rank_of[square] - 1) + (file_of[square] - 1);
}

// The board with every square empty: copied whole before the men are put back.
const auto EMPTY_BOARD = [] {
    std::array<int32_t, BOARD_SQUARES> squares{};
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file)
            squares[square_at(file, rank)] = EMPTY;
    return squares;
}();

} // namespace

StoredPosition store_position() {
    StoredPosition stored{};
    for (int slot = 1; slot <= piece_count; ++slot) {
        const int square = piece_list[slot];
        if (square == 0) continue;
        stored.squares[stored.men] = static_cast<uint8_t>(square);
        stored.codes[stored.men] = static_cast<uint8_t>(board[square]);
        ++stored.men;
    }
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file) {
            const int square = square_at(file, rank);
            if (square_move_count[square] != 0) stored.moved |= uint64_t{1} << bit_of(square);
        }
    stored.side_to_move = static_cast<uint8_t>(side_to_move);
    stored.white_castled = static_cast<uint8_t>(white_castled);
    stored.black_castled = static_cast<uint8_t>(black_castled);
    stored.non_pawn_count = static_cast<int8_t>(non_pawn_count);
    return stored;
}

void restore_position(const StoredPosition& stored) {
    // 1. The men, on an empty board, with the piece list and the pawn key made from them (the
    // evaluation finds its pawn structure by that key).
    std::memcpy(board, EMPTY_BOARD.data(), sizeof board);
    for (int man = 0; man < stored.men; ++man) {
        const int square = stored.squares[man];
        const int32_t code = stored.codes[man];
        board[square] = code;
        if (code == WHITE_KING) white_king_square = square;
        if (code == BLACK_KING) black_king_square = square;
    }
    rebuild_piece_list();
    pawn_key = compute_pawn_key();
    // 2. The move counts, each 0 or 1: the evaluation only tells the two apart.
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file) {
            const int square = square_at(file, rank);
            square_move_count[square] =
                static_cast<int32_t>((stored.moved >> (8 * rank + file)) & 1);
        }
    // 3. The rest.
    side_to_move = stored.side_to_move;
    white_castled = stored.white_castled;
    black_castled = stored.black_castled;
    non_pawn_count = stored.non_pawn_count;
}

int32_t white_score() {
    const int32_t score = evaluate();
    return side_to_move == 1 ? score : -score;
}
