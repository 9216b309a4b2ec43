#include "search/strong/see.h"

#include <algorithm>
#include <bit>

#include "board/rays.h"

namespace {

// The squares a sequence of recaptures may involve: every piece can take part at most once,
// so 32 captures bound the exchange.
constexpr int MAX_EXCHANGE = 32;

// The rays from the target square in the order sliders are considered, which decides between
// attackers of equal value: the diagonals as mailbox steps 11, -11, 13, -13, then the lines
// 12, -12, 1, -1 (directions of the attack tables).
constexpr int DIAGONALS_IN_ORDER[4] = {3, 7, 2, 6};
constexpr int LINES_IN_ORDER[4] = {0, 4, 1, 5};

// White's code of each kind; black's is one more.
constexpr int32_t BLACK = 1;

struct Attacker {
    int square; // 0 for none
    int32_t code;
};

// The first of the four rays (in order) whose first piece is one of `pieces`.
inline int first_ray_holding(const uint64_t first[4], uint64_t pieces) {
    for (int i = 0; i < 4; ++i)
        if ((first[i] & pieces) != 0) return square_of_bit[std::countr_zero(first[i])];
    return 0;
}

// The least valuable piece of `side` that attacks the target square when only the squares of
// `occupied` hold pieces (those already used in the exchange are left out, so sliders behind
// them, x-rays, are found). Among pawns, and among sliders of one kind, which one goes first
// decides what it uncovers, and so may change the outcome: the order is fixed, pawns by mailbox
// step (-11 before -13 for white, 11 before 13 for black), sliders by ray in the order above.
Attacker least_valuable_attacker(const Position& pos, int square, int bit, bool white,
                                 uint64_t occupied) {
    const int32_t colour = white ? 0 : BLACK;
    // 1. Pawns: a white pawn attacks from one rank below, a black one from one rank above.
    const int32_t pawn = WHITE_PAWN + colour;
    const uint64_t pawns = pos.squares_of[pawn] & occupied;
    if (pawns != 0) {
        const int a = white ? square - 11 : square + 11, b = white ? square - 13 : square + 13;
        if ((pawns & square_bit[a]) != 0) return {a, pawn};
        if ((pawns & square_bit[b]) != 0) return {b, pawn};
    }
    // 2. Knights. Which of two goes first cannot change the exchange: a knight never stands on
    // a ray through the square, so taking it away uncovers nothing.
    const int32_t knight = WHITE_KNIGHT + colour;
    const uint64_t knights = pos.squares_of[knight] & occupied & attack_tables.knight[bit];
    if (knights != 0) return {square_of_bit[std::countr_zero(knights)], knight};
    // 3. Sliders, cheapest kind first: the first piece on each ray, found only when a slider
    // of the kind stands somewhere on the square's lines.
    const int32_t bishop = WHITE_BISHOP + colour, rook = WHITE_ROOK + colour;
    const int32_t queen = WHITE_QUEEN + colour;
    const uint64_t queens = pos.squares_of[queen] & occupied;
    const uint64_t bishops = pos.squares_of[bishop] & occupied;
    const uint64_t rooks = pos.squares_of[rook] & occupied;
    uint64_t diagonal[4] = {0, 0, 0, 0};
    if (((bishops | queens) & attack_tables.diagonal_lines[bit]) != 0) {
        for (int i = 0; i < 4; ++i)
            diagonal[i] = first_piece_on_ray(bit, DIAGONALS_IN_ORDER[i], occupied);
        if (const int from = first_ray_holding(diagonal, bishops)) return {from, bishop};
    }
    uint64_t line[4] = {0, 0, 0, 0};
    if (((rooks | queens) & attack_tables.orthogonal_lines[bit]) != 0) {
        for (int i = 0; i < 4; ++i)
            line[i] = first_piece_on_ray(bit, LINES_IN_ORDER[i], occupied);
        if (const int from = first_ray_holding(line, rooks)) return {from, rook};
    }
    if (queens != 0) {
        if (const int from = first_ray_holding(diagonal, queens)) return {from, queen};
        if (const int from = first_ray_holding(line, queens)) return {from, queen};
    }
    // 4. The king, next to the square.
    const int32_t king = WHITE_KING + colour;
    const uint64_t kings = pos.squares_of[king] & occupied & attack_tables.king[bit];
    if (kings != 0) return {square_of_bit[std::countr_zero(kings)], king};
    return {0, 0};
}

// The squares holding pieces before the exchange, less the mover and an en-passant victim,
// which stands beside the target square, not on it.
inline uint64_t occupied_after_first_capture(const Position& pos, const Move& move, bool white) {
    uint64_t occupied = pos.occupied_squares() & ~square_bit[move.from];
    if (move.ep_flag) occupied &= ~square_bit[white ? move.to - 12 : move.to + 12];
    return occupied;
}

} // namespace

int32_t static_exchange(const Position& pos, const Move& move) {
    const int to = move.to;
    const int bit = bit_index(to);
    const bool white = pos.side_to_move == 1;

    // 1. The first capture: its victim (a promotion also gains the new piece over the pawn).
    int32_t gain[MAX_EXCHANGE];
    int32_t piece_on_target = pos.board[move.from];
    gain[0] = move.captured == EMPTY ? 0 : see_value[move.captured];
    if (move.promotion != 0) {
        gain[0] += see_value[move.promotion] - see_value[piece_on_target];
        piece_on_target = move.promotion;
    }

    // 2. Alternate recaptures with the least valuable attacker, leaving each piece that has
    // captured out of the occupied squares. gain[d] is what the side that made capture d has
    // won so far if the exchange stops after it.
    uint64_t occupied = occupied_after_first_capture(pos, move, white);
    int depth = 0;
    bool side_white = !white;
    while (depth + 1 < MAX_EXCHANGE) {
        const Attacker attacker = least_valuable_attacker(pos, to, bit, side_white, occupied);
        if (attacker.square == 0) break;
        ++depth;
        gain[depth] = see_value[piece_on_target] - gain[depth - 1];
        // A king may not recapture into an attacked square: the exchange ends before it.
        if (see_value[attacker.code] >= see_value[WHITE_KING] &&
            least_valuable_attacker(pos, to, bit, !side_white, occupied).square != 0) {
            --depth;
            break;
        }
        piece_on_target = attacker.code;
        occupied &= ~square_bit[attacker.square];
        side_white = !side_white;
    }

    // 3. Each side stops when going on would lose: fold the gains back to the first move.
    while (depth > 0) {
        gain[depth - 1] = -std::max(-gain[depth - 1], gain[depth]);
        --depth;
    }
    return gain[0];
}

bool see_at_least(const Position& pos, const Move& move, int32_t threshold) {
    // 1. Castling never loses material, and a capture of a piece worth at least the capturer
    // gains at least the difference whatever follows.
    if (move.castle != CASTLE_NONE) return threshold <= 0;
    // A quiet move loses at most the piece that moves.
    if (move.captured == EMPTY && move.promotion == 0 &&
        -see_value[pos.board[move.from]] >= threshold)
        return true;
    if (move.promotion == 0 && move.captured != EMPTY &&
        see_value[move.captured] - see_value[pos.board[move.from]] >= threshold)
        return true;

    // 2. The first capture alone: below the threshold even if nothing takes back, or above it
    // even if the piece that moved is lost.
    const int to = move.to;
    const bool white = pos.side_to_move == 1;
    int32_t piece_on_target = pos.board[move.from];
    int32_t gain = move.captured == EMPTY ? 0 : see_value[move.captured];
    if (move.promotion != 0) {
        gain += see_value[move.promotion] - see_value[piece_on_target];
        piece_on_target = move.promotion;
    }
    // `swap` is how far the side that just captured stands above (the opponent: below) the
    // threshold once the piece on the target square is lost, from the view of the side to
    // capture next; the exchange stops as soon as its next capture cannot turn the answer.
    int32_t swap = gain - threshold;
    if (swap < 0) return false;
    swap = see_value[piece_on_target] - swap;
    if (swap <= 0) return true;

    // 3. The recaptures, least valuable attacker first, each piece that has captured left out
    // of the occupied squares. `answer` holds whether the mover reaches the threshold if the
    // exchange stops here.
    const int bit = bit_index(to);
    uint64_t occupied = occupied_after_first_capture(pos, move, white);
    int32_t answer = 1;
    int captures = move.ep_flag ? 2 : 1;
    for (bool side_white = !white; captures < MAX_EXCHANGE; side_white = !side_white) {
        const Attacker attacker = least_valuable_attacker(pos, to, bit, side_white, occupied);
        if (attacker.square == 0) break;
        answer ^= 1;
        // A king may not recapture into an attacked square: the exchange ends before it.
        if (see_value[attacker.code] >= see_value[WHITE_KING]) {
            if (least_valuable_attacker(pos, to, bit, !side_white, occupied).square != 0)
                answer ^= 1;
            break;
        }
        swap = see_value[attacker.code] - swap;
        if (swap < answer) break;
        occupied &= ~square_bit[attacker.square];
        ++captures;
    }
    return answer != 0;
}
