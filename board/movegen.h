// Pseudo-legal move and capture generation (declared in board/position.h): what the two
// generators share.
#pragma once

#include <cstdint>

#include "board/position.h"

inline void append_move(Move* list, int32_t& count, int from, int to, int captured, uint8_t ep_flag,
                        uint8_t promotion, uint8_t castle) {
    Move& move = list[count++];
    move.from = static_cast<uint8_t>(from);
    move.to = static_cast<uint8_t>(to);
    move.captured = static_cast<uint8_t>(captured);
    move.ep_flag = ep_flag;
    move.promotion = promotion;
    move.castle = castle;
}

inline bool same_colour(int32_t code_a, int32_t code_b) {
    return ((code_a ^ code_b) & 1) == 0;
}
inline bool is_black_piece(int32_t code) {
    return code != OFF_BOARD && (code & 1) == 0;
}
inline bool is_white_piece(int32_t code) {
    return code != EMPTY && (code & 1) == 1;
}

// One pawn move, expanded into four promotions (queen, rook, knight, bishop) from the seventh
// rank (white) or second rank (black). Callers pass empty targets for steps and enemy pieces
// for captures; the colour of the target is not tested here.
inline void Position::add_pawn_move(Move* list, int32_t& count, int from, int to,
                                    uint8_t ep_flag) const {
    const int32_t target = board[to];
    if (target == OFF_BOARD) return;
    const int32_t pawn = board[from];
    if (ep_flag) {
        // The pawn taken en passant stands beside the mover, behind the target square. In a game
        // it always does; only when the move has been handed by hand to the side that made the
        // double step ("white", "black") is it missing, and a capture there would take nothing
        // and bring a pawn back from nowhere when taken back.
        const int32_t enemy_pawn = pawn == WHITE_PAWN ? BLACK_PAWN : WHITE_PAWN;
        if (board[pawn == WHITE_PAWN ? to - 12 : to + 12] != enemy_pawn) return;
        append_move(list, count, from, to, enemy_pawn, 1, 0, CASTLE_NONE);
    } else if (pawn == WHITE_PAWN && rank_of[from] == 7) {
        append_move(list, count, from, to, target, 0, WHITE_QUEEN, CASTLE_NONE);
        append_move(list, count, from, to, target, 0, WHITE_ROOK, CASTLE_NONE);
        append_move(list, count, from, to, target, 0, WHITE_KNIGHT, CASTLE_NONE);
        append_move(list, count, from, to, target, 0, WHITE_BISHOP, CASTLE_NONE);
    } else if (pawn == BLACK_PAWN && rank_of[from] == 2) {
        append_move(list, count, from, to, target, 0, BLACK_QUEEN, CASTLE_NONE);
        append_move(list, count, from, to, target, 0, BLACK_ROOK, CASTLE_NONE);
        append_move(list, count, from, to, target, 0, BLACK_KNIGHT, CASTLE_NONE);
        append_move(list, count, from, to, target, 0, BLACK_BISHOP, CASTLE_NONE);
    } else {
        append_move(list, count, from, to, target, 0, 0, CASTLE_NONE);
    }
}

// One knight jump: a quiet move to an empty square, a capture of an enemy piece.
inline void Position::add_knight_move(Move* list, int32_t& count, int from, int to) const {
    const int32_t target = board[to];
    if (target == OFF_BOARD) return;
    if (target == EMPTY) {
        append_move(list, count, from, to, EMPTY, 0, 0, CASTLE_NONE);
    } else if (!same_colour(target, board[from])) {
        append_move(list, count, from, to, target, 0, 0, CASTLE_NONE);
    }
}

// One king step, or a castling whose squares the caller has already found empty.
inline void Position::add_king_move(Move* list, int32_t& count, int from, int to,
                                    uint8_t castle) const {
    if (castle == CASTLE_NONE) {
        add_knight_move(list, count, from, to);
    } else if (board[to] != OFF_BOARD) {
        append_move(list, count, from, to, EMPTY, 0, 0, castle);
    }
}

// Every move along one ray: quiet moves nearest first, then the capture that ends it, if any.
inline void Position::add_slide_moves(Move* list, int32_t& count, int from, int first_to) const {
    const int step = first_to - from;
    const int32_t mover = board[from];
    int to = first_to;
    while (board[to] == EMPTY) {
        append_move(list, count, from, to, EMPTY, 0, 0, CASTLE_NONE);
        to += step;
    }
    const int32_t target = board[to];
    if (target != OFF_BOARD && !same_colour(target, mover))
        append_move(list, count, from, to, target, 0, 0, CASTLE_NONE);
}

// One single-step capture of an enemy piece.
inline void Position::add_capture(Move* list, int32_t& count, int from, int to) const {
    const int32_t target = board[to];
    if (target == OFF_BOARD || target == EMPTY || same_colour(target, board[from])) return;
    append_move(list, count, from, to, target, 0, 0, CASTLE_NONE);
}

// The capture at the end of one ray, if the ray ends on an enemy piece.
inline void Position::add_slide_capture(Move* list, int32_t& count, int from, int first_to) const {
    const int step = first_to - from;
    int to = first_to;
    while (board[to] == EMPTY)
        to += step;
    const int32_t target = board[to];
    if (target != OFF_BOARD && !same_colour(target, board[from]))
        append_move(list, count, from, to, target, 0, 0, CASTLE_NONE);
}

// Step lists shared by the generators, in generation order.
inline constexpr int KNIGHT_JUMPS[8] = {10, -10, 14, -14, 23, -23, 25, -25};
inline constexpr int KING_STEPS[8] = {13, -13, 11, -11, 12, -12, 1, -1};
inline constexpr int BISHOP_RAYS[4] = {13, -13, 11, -11};
inline constexpr int ROOK_RAYS[4] = {12, -12, 1, -1};
inline constexpr int QUEEN_RAYS[8] = {13, -13, 11, -11, 12, -12, 1, -1};
