#include "board/keys.h"

uint64_t zobrist_piece[PIECE_CODES][BOARD_SQUARES];
uint64_t zobrist_ep[BOARD_SQUARES];
uint64_t zobrist_castle_wk[2];
uint64_t zobrist_castle_wq[2];
uint64_t zobrist_castle_bk[2];
uint64_t zobrist_castle_bq[2];
uint64_t zobrist_side[2];

int32_t key_random_state = 1;

namespace {

// One byte of the generator: a linear congruential step whose bits 16..30 are taken with a
// truncating signed division, reduced modulo 257; the value 256 is thrown away.
uint32_t key_random_byte() {
    for (;;) {
        const uint32_t next = static_cast<uint32_t>(key_random_state) * 1103515245u + 12345u;
        key_random_state = static_cast<int32_t>(next);
        const int32_t top_bits = (key_random_state / 65536) & 0x7FFF;
        const int32_t byte = top_bits % 257;
        if (byte != 256) return static_cast<uint32_t>(byte);
    }
}

// Each table entry is drawn as two numbers, the low half first.
uint64_t draw_key() {
    const uint64_t low = key_random();
    const uint64_t high = key_random();
    return low | (high << 32);
}

} // namespace

uint32_t key_random() {
    const uint32_t b0 = key_random_byte();
    const uint32_t b1 = key_random_byte();
    const uint32_t b2 = key_random_byte();
    const uint32_t b3 = key_random_byte();
    return b0 | (b1 << 8) | (b2 << 16) | (b3 << 24);
}

void init_keys() {
    key_random_state = 1;
    for (int square = 0; square < BOARD_SQUARES; ++square) {
        zobrist_piece[OFF_BOARD][square] = 0;
        zobrist_piece[EMPTY][square] = 0;
    }
    for (int code = WHITE_PAWN; code <= BLACK_BISHOP; ++code)
        for (int square = 0; square < BOARD_SQUARES; ++square)
            zobrist_piece[code][square] = draw_key();
    zobrist_ep[0] = 0;
    for (int square = 1; square < BOARD_SQUARES; ++square)
        zobrist_ep[square] = draw_key();
    for (int held = 0; held < 2; ++held) {
        zobrist_castle_wk[held] = draw_key();
        zobrist_castle_wq[held] = draw_key();
        zobrist_castle_bk[held] = draw_key();
        zobrist_castle_bq[held] = draw_key();
    }
    zobrist_side[0] = draw_key();
    zobrist_side[1] = draw_key();
}

uint64_t Position::compute_pawn_key() const {
    uint64_t key = 0;
    for (int slot = 1; slot <= piece_count; ++slot) {
        const int square = piece_list[slot];
        if (square == 0) continue;
        const int32_t code = board[square];
        if (code == WHITE_PAWN || code == BLACK_PAWN) key ^= zobrist_piece[code][square];
    }
    return key;
}

uint64_t Position::compute_key() const {
    uint64_t key = 0;
    for (int slot = 1; slot <= piece_count; ++slot) {
        const int square = piece_list[slot];
        if (square != 0) key ^= zobrist_piece[board[square]][square];
    }
    key ^= zobrist_ep[ep_square];
    const bool white_king_home = square_move_count[E1] == 0;
    const bool black_king_home = square_move_count[E8] == 0;
    key ^= zobrist_castle_wk[white_king_home && square_move_count[H1] == 0];
    key ^= zobrist_castle_wq[white_king_home && square_move_count[A1] == 0];
    key ^= zobrist_castle_bk[black_king_home && square_move_count[H8] == 0];
    key ^= zobrist_castle_bq[black_king_home && square_move_count[A8] == 0];
    key ^= zobrist_side[side_to_move];
    return key;
}
