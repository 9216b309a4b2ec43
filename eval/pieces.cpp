// Terms of knights, bishops, rooks and queens, and the opening's development terms.
#include <array>
#include <bit>

#include "board/attack.h"
#include "eval/parameters.h"
#include "eval/terms.h"

namespace {

constexpr int D3 = square_at(3, 2), E3 = square_at(4, 2);
constexpr int D6 = square_at(3, 5), E6 = square_at(4, 5);
constexpr int UP = 12;

// Step 1: no enemy pawn on a neighbouring file may still advance to attack the square (one
// further up has gone past it, one level with it never can). Step 2: own pawns on the two
// squares diagonally in front of it. Step 3: an outpost deep in the centre files is worth more
// (4, 8, 12 on relative ranks 6 to 8).
template <typename Side>
int32_t outpost_value(const Position& pos, const PawnStructure& pawns, int square, int file,
                      int rank) {
    const int32_t relative = Side::relative_rank(rank);
    if (Side::enemy_rear(pawns, file - 1) > relative ||
        Side::enemy_rear(pawns, file + 1) > relative)
        return 0;
    int32_t value = OUTPOSTED;
    const int neighbours = (pos.board[square + Side::FORWARD - 1] == Side::PAWN) +
                           (pos.board[square + Side::FORWARD + 1] == Side::PAWN);
    value += 4 * neighbours;
    if (neighbours == 2) value += STRONG_OUTPOST;
    if (relative >= 6 && (file == 4 || file == 5)) value += 4 * relative - 20;
    return value;
}

// Bishop pair: every bishop after the first of its colour in the walk earns the bonus, so a
// third bishop (after a promotion) earns it again.
inline int32_t bishop_pair(SideWalk& walk, int32_t weight) {
    return walk.bishops_seen++ > 0 ? weight : 0;
}

// A bishop in front of a centre pawn: on d3/e3 before a white pawn it blocks white, on d6/e6
// before a black pawn it blocks black. The amount is from white's point of view whatever the
// bishop's colour.
int32_t bishop_in_front_of_centre_pawn(const Position& pos, int square) {
    if ((square == D6 || square == E6) && pos.board[square + UP] == BLACK_PAWN)
        return BLOCKED_CENTER_PAWN;
    if ((square == D3 || square == E3) && pos.board[square - UP] == WHITE_PAWN)
        return -BLOCKED_CENTER_PAWN;
    return 0;
}

// Colour complex: when most of a side's moved pawns stand on light squares, its light-squared
// bishop is hemmed in by them and its dark-squared one is free. A dark majority has no rule.
template <typename Side> int32_t colour_complex(const PawnStructure& pawns, int square) {
    if (Side::pawns_light(pawns) <= Side::pawns_dark(pawns)) return 0;
    return light_square[square] ? -BAD_BISHOP : GOOD_BISHOP;
}

// The trapped-bishop pattern: a bishop that took a wing pawn on its seventh rank and is shut in
// by the pawn one step back towards its own side. A white bishop on a7 is caught by a black pawn
// on b6 and can only leave through b8; on h7 by a pawn on g6, leaving through g8. Black mirrors
// it on a2/b3/b1 and h2/g3/g1. The bishop is lost when the enemy defends both the pawn and the
// escape square.
struct TrappedBishopPattern {
    int bishop, pawn, escape;
};
constexpr TrappedBishopPattern WHITE_TRAPS[2] = {
    {square_at(0, 6), square_at(1, 5), square_at(1, 7)},  // a7, b6, b8
    {square_at(7, 6), square_at(6, 5), square_at(6, 7)}}; // h7, g6, g8
constexpr TrappedBishopPattern BLACK_TRAPS[2] = {
    {square_at(0, 1), square_at(1, 2), square_at(1, 0)},  // a2, b3, b1
    {square_at(7, 1), square_at(6, 2), square_at(6, 0)}}; // h2, g3, g1

template <typename Side> bool bishop_trapped(const Position& pos, int square) {
    constexpr bool white = Side::SIGN > 0;
    constexpr int32_t enemy_pawn = white ? BLACK_PAWN : WHITE_PAWN;
    for (const TrappedBishopPattern& trap : white ? WHITE_TRAPS : BLACK_TRAPS)
        if (square == trap.bishop && pos.board[trap.pawn] == enemy_pawn &&
            pos.square_attacked(trap.pawn, !white) && pos.square_attacked(trap.escape, !white))
            return true;
    return false;
}

// The file terms a rook (and half of them a queen) earns in the middlegame.
template <typename Side>
int32_t middlegame_file_terms(const PawnStructure& pawns, int file, int32_t divisor) {
    if (Side::own_pawns(pawns, file) != 0) return 0;
    int32_t value = MROOK_SEMI_OPEN_FILE / divisor;
    if (Side::enemy_pawns(pawns, file) == 0) value += MROOK_OPEN_FILE_BONUS / divisor;
    return value;
}

// The four diagonals from each of the 64 squares as bit sets (square_bit's numbering): up-right,
// up-left, down-right, down-left, and for each the count of a ray that meets no piece (its
// squares and the border beyond them).
struct BishopRays {
    uint64_t ray[4];
    int32_t open_count[4];
};

constexpr std::array<BishopRays, 64> bishop_rays = [] {
    std::array<BishopRays, 64> all{};
    constexpr int FILE_STEP[4] = {1, -1, 1, -1}, RANK_STEP[4] = {1, 1, -1, -1};
    for (int index = 0; index < 64; ++index) {
        for (int direction = 0; direction < 4; ++direction) {
            int file = index & 7, rank = index >> 3, count = 1;
            for (;;) {
                file += FILE_STEP[direction];
                rank += RANK_STEP[direction];
                if (file < 0 || file > 7 || rank < 0 || rank > 7) break;
                all[index].ray[direction] |= uint64_t{1} << (8 * rank + file);
                ++count;
            }
            all[index].open_count[direction] = count;
        }
    }
    return all;
}();

// The bit number of a board square (see square_bit).
inline int bit_index_of(int square) {
    return 8 * (rank_of[square] - 1) + file_of[square] - 1;
}

} // namespace

int32_t Evaluation::outpost_value_white(int square, int file, int rank) const {
    return outpost_value<White>(pos, *pawns, square, file, rank);
}
int32_t Evaluation::outpost_value_black(int square, int file, int rank) const {
    return outpost_value<Black>(pos, *pawns, square, file, rank);
}

uint8_t bishop_mobility(int square, uint64_t occupied) {
    // Along a diagonal every step changes the rank by one, so the squares a ray reaches up to
    // its first blocker are the ranks between the bishop and that blocker. Rays up the board
    // meet their first blocker at the lowest bit, rays down at the highest; a ray without one
    // runs to the border, which counts as its blocked square.
    const BishopRays& rays = bishop_rays[bit_index_of(square)];
    const int32_t rank = bit_index_of(square) >> 3;
    int32_t count = 0;
    for (int direction = 0; direction < 2; ++direction) {
        const uint64_t blockers = occupied & rays.ray[direction];
        count +=
            blockers != 0 ? (std::countr_zero(blockers) >> 3) - rank : rays.open_count[direction];
    }
    for (int direction = 2; direction < 4; ++direction) {
        const uint64_t blockers = occupied & rays.ray[direction];
        count += blockers != 0 ? rank - ((63 - std::countl_zero(blockers)) >> 3)
                               : rays.open_count[direction];
    }
    return static_cast<uint8_t>(count);
}

// Knights: the opening reads black's mirrored table, the middlegame and endgame white's for
// both colours.
template <Phase P, typename Side> void Evaluation::knight_terms(int square, int rank, int file) {
    int32_t value;
    if constexpr (P == Phase::OPENING) {
        value = Side::opening_knight_table[square];
        if (pos.square_move_count[square] == 0) value -= UNDEVELOPED_PIECE;
    } else {
        value = knight_pst_white[square];
    }
    value += outpost_value<Side>(pos, *pawns, square, file, rank);
    if constexpr (P == Phase::MIDDLEGAME) knight_attack<Side>(rank, file);
    eval_score += Side::SIGN * value;
}

template <Phase P, typename Side> void Evaluation::bishop_terms(int square, int rank, int file) {
    if constexpr (P == Phase::OPENING) {
        // Step 1. Table, with black's mirrored. Step 2. Pair.
        int32_t value =
            Side::opening_bishop_table[square] + bishop_pair(walk<Side>(), OBISHOP_PAIR);
        // Step 3. A bishop that never left home takes nothing more.
        if (pos.square_move_count[square] == 0) {
            eval_score += Side::SIGN * (value - UNDEVELOPED_PIECE);
            return;
        }
        // Step 4. In front of a centre pawn (white's point of view already). Step 5. Colour
        // complex.
        eval_score += Side::SIGN * (value + colour_complex<Side>(*pawns, square)) +
                      bishop_in_front_of_centre_pawn(pos, square);
    } else if constexpr (P == Phase::MIDDLEGAME) {
        // Step 1. Table (white's for both colours) and mobility. Step 2. Pair.
        int32_t value = bishop_pst_white[square] + bishop_mobility(square, pos.occupied_squares()) +
                        bishop_pair(walk<Side>(), MBISHOP_PAIR);
        // Step 3. Trapped, or else in front of a centre pawn.
        if (bishop_trapped<Side>(pos, square))
            value -= TRAPPED_BISHOP;
        else
            eval_score += bishop_in_front_of_centre_pawn(pos, square);
        // Step 4. Colour complex. Step 5. A quarter of the outpost value, rounded down (an
        // arithmetic shift, also for a negative value).
        value += colour_complex<Side>(*pawns, square) +
                 (outpost_value<Side>(pos, *pawns, square, file, rank) >> 2);
        eval_score += Side::SIGN * value;
    } else {
        int32_t value = bishop_pst_white[square] + bishop_pair(walk<Side>(), EBISHOP_PAIR);
        if (pawns->pawn_total != 0) value += colour_complex<Side>(*pawns, square);
        eval_score += Side::SIGN * value;
    }
}

template <Phase P, typename Side> void Evaluation::rook_terms(int rank, int file) {
    SideWalk& walk = this->walk<Side>();
    int32_t value = 0;
    if constexpr (P == Phase::OPENING) {
        if (Side::relative_rank(rank) == 7) value += OROOK_ON_SEVENTH_BONUS;
        if (Side::own_pawns(*pawns, file) == 0) {
            value += OROOK_SEMI_OPEN_FILE;
            if (Side::enemy_pawns(*pawns, file) == 0) value += OROOK_OPEN_FILE_BONUS;
        }
    } else if constexpr (P == Phase::MIDDLEGAME) {
        // Step 1. The seventh rank: the first rook there earns the bonus, each later one the
        // pair bonus instead.
        if (Side::relative_rank(rank) == 7)
            value += walk.rooks_on_seventh++ == 0 ? MROOK_ON_SEVENTH_BONUS : MROOK_PAIR_ON_SEVENTH;
        // Step 2. Files without own pawns, more on the enemy king's file, and more again for a
        // further rook on such a file.
        if (Side::own_pawns(*pawns, file) == 0) {
            value += middlegame_file_terms<Side>(*pawns, file, 1);
            if (file == file_of[Side::enemy_king_square(pos)]) value += 5;
            if (walk.rook_on_file_without_own_pawns) value += DOUBLED_ROOKS;
            walk.rook_on_file_without_own_pawns = true;
        }
        // Step 3. The attack on the enemy king.
        value += line_attack<Side>(rank, file, ROOK_ATTACK_KING);
    } else {
        if (Side::relative_rank(rank) == 7)
            value += walk.rooks_on_seventh++ == 0 ? EROOK_ON_SEVENTH_BONUS : EROOK_PAIR_ON_SEVENTH;
        if (Side::own_pawns(*pawns, file) == 0) {
            value += EROOK_SEMI_OPEN_FILE;
            if (Side::enemy_pawns(*pawns, file) == 0) value += EROOK_OPEN_FILE_BONUS;
        }
    }
    eval_score += Side::SIGN * value;
}

template <Phase P, typename Side> void Evaluation::queen_terms(int square, int rank, int file) {
    int32_t value = 0;
    if constexpr (P == Phase::OPENING) {
        // The queen left home while a minor piece has not: its early sorties cost tempi.
        constexpr int HOME_A = Side::QUEEN_HOME - 3; // a1 or a8
        if (square != Side::QUEEN_HOME &&
            (pos.square_move_count[HOME_A + 1] == 0 || pos.square_move_count[HOME_A + 2] == 0 ||
             pos.square_move_count[HOME_A + 5] == 0 || pos.square_move_count[HOME_A + 6] == 0))
            value -= EARLY_QUEEN_DEVELOPMENT;
    } else if constexpr (P == Phase::MIDDLEGAME) {
        // A queen works like half a rook on the seventh and on open files (each half truncated
        // towards zero); it does not count among the rooks on the seventh.
        value = queen_pst[square];
        if (Side::relative_rank(rank) == 7) value += MROOK_ON_SEVENTH_BONUS / 2;
        value += middlegame_file_terms<Side>(*pawns, file, 2);
        value += line_attack<Side>(rank, file, QUEEN_ATTACK_KING);
    } else {
        value = queen_pst[square];
    }
    eval_score += Side::SIGN * value;
}

template void Evaluation::knight_terms<Phase::OPENING, White>(int, int, int);
template void Evaluation::knight_terms<Phase::OPENING, Black>(int, int, int);
template void Evaluation::knight_terms<Phase::MIDDLEGAME, White>(int, int, int);
template void Evaluation::knight_terms<Phase::MIDDLEGAME, Black>(int, int, int);
template void Evaluation::knight_terms<Phase::ENDGAME, White>(int, int, int);
template void Evaluation::knight_terms<Phase::ENDGAME, Black>(int, int, int);
template void Evaluation::bishop_terms<Phase::OPENING, White>(int, int, int);
template void Evaluation::bishop_terms<Phase::OPENING, Black>(int, int, int);
template void Evaluation::bishop_terms<Phase::MIDDLEGAME, White>(int, int, int);
template void Evaluation::bishop_terms<Phase::MIDDLEGAME, Black>(int, int, int);
template void Evaluation::bishop_terms<Phase::ENDGAME, White>(int, int, int);
template void Evaluation::bishop_terms<Phase::ENDGAME, Black>(int, int, int);
template void Evaluation::rook_terms<Phase::OPENING, White>(int, int);
template void Evaluation::rook_terms<Phase::OPENING, Black>(int, int);
template void Evaluation::rook_terms<Phase::MIDDLEGAME, White>(int, int);
template void Evaluation::rook_terms<Phase::MIDDLEGAME, Black>(int, int);
template void Evaluation::rook_terms<Phase::ENDGAME, White>(int, int);
template void Evaluation::rook_terms<Phase::ENDGAME, Black>(int, int);
template void Evaluation::queen_terms<Phase::OPENING, White>(int, int, int);
template void Evaluation::queen_terms<Phase::OPENING, Black>(int, int, int);
template void Evaluation::queen_terms<Phase::MIDDLEGAME, White>(int, int, int);
template void Evaluation::queen_terms<Phase::MIDDLEGAME, Black>(int, int, int);
template void Evaluation::queen_terms<Phase::ENDGAME, White>(int, int, int);
template void Evaluation::queen_terms<Phase::ENDGAME, Black>(int, int, int);
