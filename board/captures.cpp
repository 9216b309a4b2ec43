#include "board/movegen.h"

#include "board/rays.h"

namespace {

// The generators' ray orders as directions of the ray tables.
constexpr int BISHOP_DIRECTIONS[4] = {2, 6, 3, 7};            // steps 13, -13, 11, -11
constexpr int ROOK_DIRECTIONS[4] = {0, 4, 1, 5};              // steps 12, -12, 1, -1
constexpr int QUEEN_DIRECTIONS[8] = {2, 6, 3, 7, 0, 4, 1, 5}; // bishop's, then rook's

} // namespace

void Position::add_white_pawn_captures(Move* list, int32_t& count, int sq) const {
    if (is_black_piece(board[sq + 13])) add_pawn_move(list, count, sq, sq + 13, 0);
    if (is_black_piece(board[sq + 11])) add_pawn_move(list, count, sq, sq + 11, 0);
    if (ep_square == sq + 13) add_pawn_move(list, count, sq, sq + 13, 1);
    if (ep_square == sq + 11) add_pawn_move(list, count, sq, sq + 11, 1);
    if (board[sq + 12] == EMPTY && rank_of[sq] == 7) add_pawn_move(list, count, sq, sq + 12, 0);
}

void Position::add_black_pawn_captures(Move* list, int32_t& count, int sq) const {
    if (is_white_piece(board[sq - 13])) add_pawn_move(list, count, sq, sq - 13, 0);
    if (is_white_piece(board[sq - 11])) add_pawn_move(list, count, sq, sq - 11, 0);
    if (ep_square == sq - 13) add_pawn_move(list, count, sq, sq - 13, 1);
    if (ep_square == sq - 11) add_pawn_move(list, count, sq, sq - 11, 1);
    if (board[sq - 12] == EMPTY && rank_of[sq] == 2) add_pawn_move(list, count, sq, sq - 12, 0);
}

// The capture at the end of each ray, in the given order: the first piece on a ray is found by
// a bit scan, where stepping along the ray was a loop whose length no predictor can guess.
template <int N>
inline void Position::add_ray_captures(Move* list, int32_t& count, int from,
                                       const int (&directions)[N], uint64_t occupied,
                                       uint64_t enemies) const {
    const int bit = bit_index(from);
    for (int direction : directions) {
        if ((attack_tables.ray[bit][direction] & enemies) == 0) continue;
        const uint64_t first = first_piece_on_ray(bit, direction, occupied);
        if ((first & enemies) == 0) continue;
        const int to = square_of_bit[std::countr_zero(first)];
        append_move(list, count, from, to, board[to], 0, 0, CASTLE_NONE);
    }
}

// A knight's or king's captures, in its step order; most of the time there is none, which one
// test of its attack set against the enemy pieces tells.
inline void Position::add_step_captures(Move* list, int32_t& count, int from, const int (&steps)[8],
                                        uint64_t reach, uint64_t enemies) const {
    if ((reach & enemies) == 0) return;
    for (int step : steps)
        add_capture(list, count, from, from + step);
}

uint64_t Position::pieces_of_colour(int colour) const {
    const int32_t pawn = colour == 1 ? WHITE_PAWN : BLACK_PAWN;
    uint64_t pieces = 0;
    for (int32_t code = pawn; code <= BLACK_BISHOP; code += 2)
        pieces |= squares_of[code];
    return pieces;
}

void Position::generate_captures(Move* list, int32_t& count) const {
    const int32_t* slots = side_slots[side_to_move];
    const int32_t slot_count = side_slot_count[side_to_move];
    const uint64_t occupied = occupied_squares();
    const uint64_t enemies = pieces_of_colour(side_to_move ^ 1);
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
            add_step_captures(list, count, sq, KNIGHT_JUMPS, attack_tables.knight[bit_index(sq)],
                              enemies);
            break;
        case WHITE_KING:
        case BLACK_KING:
            add_step_captures(list, count, sq, KING_STEPS, attack_tables.king[bit_index(sq)],
                              enemies);
            break;
        case WHITE_ROOK:
        case BLACK_ROOK:
            add_ray_captures(list, count, sq, ROOK_DIRECTIONS, occupied, enemies);
            break;
        case WHITE_QUEEN:
        case BLACK_QUEEN:
            add_ray_captures(list, count, sq, QUEEN_DIRECTIONS, occupied, enemies);
            break;
        case WHITE_BISHOP:
        case BLACK_BISHOP:
            add_ray_captures(list, count, sq, BISHOP_DIRECTIONS, occupied, enemies);
            break;
        default: break;
        }
    }
}
