#include "board/attack.h"

#include <bit>
#include <cassert>

#include "board/rays.h"

namespace {

// Does one of `sliders` stand first on any of the four rays of one kind of line from `bit`
// (directions first, first + 1 and their opposites)?
inline bool slider_on_lines(int bit, int first, uint64_t sliders, uint64_t occupied) {
    for (int direction : {first, first + 1, first + 4, first + 5})
        if ((first_piece_on_ray(bit, direction, occupied) & sliders) != 0) return true;
    return false;
}

} // namespace

struct Position::Attackers {
    int32_t king, rook, queen, pawn, bishop, knight;
};

namespace {

constexpr Position::Attackers WHITE_ATTACKERS{WHITE_KING, WHITE_ROOK,   WHITE_QUEEN,
                                              WHITE_PAWN, WHITE_BISHOP, WHITE_KNIGHT};
constexpr Position::Attackers BLACK_ATTACKERS{BLACK_KING, BLACK_ROOK,   BLACK_QUEEN,
                                              BLACK_PAWN, BLACK_BISHOP, BLACK_KNIGHT};

} // namespace

// Steppers first, from tables; then the sliders, whose rays are followed only when a slider of
// the kind stands somewhere on one of the square's lines (most of the time none does).
inline bool Position::attacked_by(int square, const Attackers& by,
                                  const uint64_t* pawn_from) const {
    assert(square_bit[square] != 0);
    const int bit = bit_index(square);
    if ((attack_tables.knight[bit] & squares_of[by.knight]) != 0 ||
        (attack_tables.king[bit] & squares_of[by.king]) != 0 ||
        (pawn_from[bit] & squares_of[by.pawn]) != 0)
        return true;
    const uint64_t occupied = occupied_squares();
    const uint64_t queens = squares_of[by.queen];
    const uint64_t straight = squares_of[by.rook] | queens;
    if ((attack_tables.orthogonal_lines[bit] & straight) != 0 &&
        slider_on_lines(bit, ORTHOGONAL, straight, occupied))
        return true;
    const uint64_t diagonal = squares_of[by.bishop] | queens;
    return (attack_tables.diagonal_lines[bit] & diagonal) != 0 &&
           slider_on_lines(bit, DIAGONAL, diagonal, occupied);
}

bool Position::square_attacked(int square, bool by_white) const {
    return by_white ? attacked_by(square, WHITE_ATTACKERS, attack_tables.white_pawn_from)
                    : attacked_by(square, BLACK_ATTACKERS, attack_tables.black_pawn_from);
}

bool Position::side_to_move_in_check() const {
    return side_to_move == 1 ? square_attacked(white_king_square, false)
                             : square_attacked(black_king_square, true);
}

// Did the piece that left `vacated` uncover an enemy slider on the line to `king`?
inline bool Position::uncovers_attack(int king, int vacated, const Attackers& by) const {
    const int king_bit = bit_index(king);
    const int direction = line_direction[king_bit][bit_index(vacated)];
    if (direction < 0) return false;
    const bool orthogonal = (direction & 2) == 0;
    const uint64_t sliders = squares_of[by.queen] | squares_of[orthogonal ? by.rook : by.bishop];
    if ((attack_tables.ray[king_bit][direction] & sliders) == 0) return false;
    return (first_piece_on_ray(king_bit, direction, occupied_squares()) & sliders) != 0;
}

// Both legality tests are compiled whole and never inlined, so that every program that links
// the board runs the same code here (see the phase evaluators).
[[gnu::noinline, gnu::flatten]] bool Position::move_was_legal(const Move* list, int index,
                                                              bool mover_was_in_check) const {
    const Move& move = list[index];
    const int32_t mover = board[move.to];
    if (mover_was_in_check || move.castle != CASTLE_NONE || move.ep_flag || mover == WHITE_KING ||
        mover == BLACK_KING)
        return move_was_legal(list, index);
    // side_to_move already names the opponent of the side that moved.
    return side_to_move == 0 ? !uncovers_attack(white_king_square, move.from, BLACK_ATTACKERS)
                             : !uncovers_attack(black_king_square, move.from, WHITE_ATTACKERS);
}

[[gnu::noinline, gnu::flatten]] bool Position::move_was_legal(const Move* list, int index) const {
    switch (list[index].castle) {
    case CASTLE_NONE:
        // side_to_move already names the opponent of the side that moved.
        return side_to_move == 0 ? !square_attacked(white_king_square, false)
                                 : !square_attacked(black_king_square, true);
    case CASTLE_WHITE_KINGSIDE:
        return !square_attacked(E1, false) && !square_attacked(F1, false) &&
               !square_attacked(G1, false);
    case CASTLE_WHITE_QUEENSIDE:
        return !square_attacked(E1, false) && !square_attacked(D1, false) &&
               !square_attacked(C1, false);
    case CASTLE_BLACK_KINGSIDE:
        return !square_attacked(E8, true) && !square_attacked(F8, true) &&
               !square_attacked(G8, true);
    case CASTLE_BLACK_QUEENSIDE:
        return !square_attacked(E8, true) && !square_attacked(D8, true) &&
               !square_attacked(C8, true);
    default: return false;
    }
}

uint64_t Position::check_evasion_squares() const {
    const bool white = side_to_move == 1;
    const Attackers& enemy = white ? BLACK_ATTACKERS : WHITE_ATTACKERS;
    const int king_bit = bit_index(white ? white_king_square : black_king_square);
    const uint64_t* pawn_from =
        white ? attack_tables.black_pawn_from : attack_tables.white_pawn_from;
    // 1. Knights and pawns check from their own square only.
    uint64_t squares = (attack_tables.knight[king_bit] & squares_of[enemy.knight]) |
                       (pawn_from[king_bit] & squares_of[enemy.pawn]);
    int checkers = std::popcount(squares);
    // 2. A slider checks along the line up to the king: blocking any square of it answers too.
    const uint64_t occupied = occupied_squares();
    const uint64_t queens = squares_of[enemy.queen];
    const uint64_t straight = squares_of[enemy.rook] | queens;
    const uint64_t diagonal = squares_of[enemy.bishop] | queens;
    for (int direction = 0; direction < 8; ++direction) {
        const uint64_t sliders = (direction & 2) == 0 ? straight : diagonal;
        if ((attack_tables.ray[king_bit][direction] & sliders) == 0) continue;
        const uint64_t first = first_piece_on_ray(king_bit, direction, occupied);
        if ((first & sliders) == 0) continue;
        squares |= attack_tables.ray[king_bit][direction] &
                   ~attack_tables.ray[std::countr_zero(first)][direction];
        ++checkers;
    }
    // 3. Two checkers cannot both be taken or blocked by one move.
    return checkers > 1 ? 0 : squares;
}

bool Position::may_give_check(const Move& move) const {
    if (move.castle != CASTLE_NONE || move.ep_flag) return true;
    const bool white = side_to_move == 1;
    const Attackers& own = white ? WHITE_ATTACKERS : BLACK_ATTACKERS;
    const int king_bit = bit_index(white ? black_king_square : white_king_square);
    const uint64_t king = uint64_t{1} << king_bit;
    const int from_bit = bit_index(move.from), to_bit = bit_index(move.to);
    const uint64_t occupied = (occupied_squares() & ~(uint64_t{1} << from_bit)) | uint64_t{1}
                                                                                      << to_bit;
    // 1. Directly: the piece from its new square (a promoted pawn as what it becomes).
    const int32_t piece = move.promotion != 0 ? move.promotion : board[move.from];
    if (piece == own.knight) {
        if ((attack_tables.knight[to_bit] & king) != 0) return true;
    } else if (piece == own.pawn) {
        const uint64_t* pawn_from =
            white ? attack_tables.white_pawn_from : attack_tables.black_pawn_from;
        if ((pawn_from[king_bit] & (uint64_t{1} << to_bit)) != 0) return true;
    } else if (piece != own.king) {
        const int direction = line_direction[to_bit][king_bit];
        const bool straight = direction >= 0 && (direction & 2) == 0;
        if (direction >= 0 &&
            (piece == own.queen || (straight ? piece == own.rook : piece == own.bishop)) &&
            first_piece_on_ray(to_bit, direction, occupied) == king)
            return true;
    }
    // 2. By discovery: a slider behind the square left, on the king's line, that the move does
    // not stay on.
    const int direction = line_direction[king_bit][from_bit];
    if (direction < 0 || line_direction[king_bit][to_bit] == direction) return false;
    const uint64_t behind = first_piece_on_ray(king_bit, direction, occupied);
    const uint64_t sliders = squares_of[own.queen] |
                             ((direction & 2) == 0 ? squares_of[own.rook] : squares_of[own.bishop]);
    return (behind & sliders) != 0;
}

uint64_t Position::squares_needing_legality_test(bool in_check) const {
    if (in_check) return ~uint64_t{0};
    const bool white = side_to_move == 1;
    const Attackers& enemy = white ? BLACK_ATTACKERS : WHITE_ATTACKERS;
    const int king = white ? white_king_square : black_king_square;
    const int king_bit = bit_index(king);
    uint64_t squares = square_bit[king];
    const uint64_t queens = squares_of[enemy.queen];
    const uint64_t straight = squares_of[enemy.rook] | queens;
    const uint64_t diagonal = squares_of[enemy.bishop] | queens;
    // Most of the time no enemy slider stands on any of the king's lines.
    if ((attack_tables.orthogonal_lines[king_bit] & straight) != 0)
        for (int direction : {0, 1, 4, 5})
            if ((attack_tables.ray[king_bit][direction] & straight) != 0)
                squares |= attack_tables.ray[king_bit][direction];
    if ((attack_tables.diagonal_lines[king_bit] & diagonal) != 0)
        for (int direction : {2, 3, 6, 7})
            if ((attack_tables.ray[king_bit][direction] & diagonal) != 0)
                squares |= attack_tables.ray[king_bit][direction];
    return squares;
}
