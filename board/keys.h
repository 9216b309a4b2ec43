// Zobrist keys: fixed pseudo-random numbers XOR-ed together for the pieces, the en-passant
// square, the castling rights and the side to move. The opening book is searched for these
// keys, so the generator, its seed and the order of drawing are fixed bit for bit.
#pragma once

#include <cstdint>

#include "board/position.h"

extern uint64_t zobrist_piece[PIECE_CODES][BOARD_SQUARES]; // rows OFF_BOARD and EMPTY are 0
extern uint64_t zobrist_ep[BOARD_SQUARES];                 // entry 0 (no square) is 0
// Castling tables: index 1 while the right is held, index 0 once it is lost.
extern uint64_t zobrist_castle_wk[2];
extern uint64_t zobrist_castle_wq[2];
extern uint64_t zobrist_castle_bk[2];
extern uint64_t zobrist_castle_bq[2];
extern uint64_t zobrist_side[2]; // indexed by side_to_move

extern int32_t key_random_state;

// Next number of the key generator.
uint32_t key_random();

// Fills every key table; runs once per process, before the first new_game.
void init_keys();

inline void xor_key(uint64_t& key, uint64_t value) {
    key ^= value;
}

inline uint64_t Position::key_after_ordinary_move(const Move& move) const {
    const int32_t piece = board[move.from];
    return hash_key ^ zobrist_piece[piece][move.from] ^ zobrist_piece[piece][move.to] ^
           zobrist_piece[board[move.to]][move.to] ^ zobrist_ep[ep_square] ^ zobrist_side[0] ^
           zobrist_side[1];
}
