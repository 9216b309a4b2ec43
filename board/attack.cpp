#include "board/attack.h"

namespace {

struct Attackers {
    int32_t king, rook, queen, pawn, bishop, knight;
};
constexpr Attackers WHITE_ATTACKERS{WHITE_KING, WHITE_ROOK,   WHITE_QUEEN,
                                    WHITE_PAWN, WHITE_BISHOP, WHITE_KNIGHT};
constexpr Attackers BLACK_ATTACKERS{BLACK_KING, BLACK_ROOK,   BLACK_QUEEN,
                                    BLACK_PAWN, BLACK_BISHOP, BLACK_KNIGHT};

constexpr int ORTHOGONAL_RAYS[4] = {12, -12, 1, -1};
// A white pawn attacks from one rank below (steps -11 and -13 from the square), a black pawn
// from one rank above (+11 and +13).
constexpr int DIAGONAL_RAYS[4] = {11, -11, 13, -13};
constexpr int KNIGHT_JUMPS[8] = {10, -10, 14, -14, 23, -23, 25, -25};

// Walks on from the first square of a ray: true when a slider of the right kind stands at the
// end of a run of empty squares.
inline bool slider_on_ray(int square, int step, int32_t slider, int32_t queen) {
    int32_t code = board[square];
    while (code == EMPTY) {
        square += step;
        code = board[square];
    }
    return code == slider || code == queen;
}

inline bool attacked_by(int square, const Attackers& by, bool pawn_below) {
    for (int step : ORTHOGONAL_RAYS) {
        const int32_t first = board[square + step];
        if (first == by.king) return true;
        if (first == OFF_BOARD) continue;
        if (slider_on_ray(square + step, step, by.rook, by.queen)) return true;
    }
    for (int direction = 0; direction < 4; ++direction) {
        const int step = DIAGONAL_RAYS[direction];
        const int32_t first = board[square + step];
        if (first == by.pawn) {
            const bool step_goes_down = (direction & 1) == 1;
            if (step_goes_down == pawn_below) return true;
            continue; // a pawn that does not capture this way blocks the ray
        }
        if (first == by.king) return true;
        if (first == OFF_BOARD) continue;
        if (slider_on_ray(square + step, step, by.bishop, by.queen)) return true;
    }
    for (int jump : KNIGHT_JUMPS)
        if (board[square + jump] == by.knight) return true;
    return false;
}

} // namespace

bool square_attacked(int square, bool by_white) {
    return by_white ? attacked_by(square, WHITE_ATTACKERS, true)
                    : attacked_by(square, BLACK_ATTACKERS, false);
}

bool side_to_move_in_check() {
    return side_to_move == 1 ? square_attacked(white_king_square, false)
                             : square_attacked(black_king_square, true);
}

namespace {

// The step from `king` towards `square` when the two share a rank, file or diagonal (and are
// not the same square), otherwise 0.
inline int line_step(int king, int square) {
    const int rank_difference = rank_of[square] - rank_of[king];
    const int file_difference = file_of[square] - file_of[king];
    const int rank_step = (rank_difference > 0) - (rank_difference < 0);
    const int file_step = (file_difference > 0) - (file_difference < 0);
    if (rank_difference == 0 || file_difference == 0 || rank_difference == file_difference ||
        rank_difference == -file_difference)
        return 12 * rank_step + file_step;
    return 0;
}

// Did the piece that left `vacated` uncover an enemy slider on the line to `king`?
inline bool uncovers_attack(int king, int vacated, bool by_white) {
    const int step = line_step(king, vacated);
    if (step == 0) return false;
    int square = king + step;
    while (board[square] == EMPTY)
        square += step;
    const int32_t code = board[square];
    const bool orthogonal = step == 1 || step == -1 || step == 12 || step == -12;
    if (by_white) return code == WHITE_QUEEN || code == (orthogonal ? WHITE_ROOK : WHITE_BISHOP);
    return code == BLACK_QUEEN || code == (orthogonal ? BLACK_ROOK : BLACK_BISHOP);
}

} // namespace

// Both legality tests are compiled whole and never inlined, so that every program that links
// the board runs the same code here (see the phase evaluators).
[[gnu::noinline, gnu::flatten]] bool move_was_legal(const Move* list, int index,
                                                    bool mover_was_in_check) {
    const Move& move = list[index];
    const int32_t mover = board[move.to];
    if (mover_was_in_check || move.castle != CASTLE_NONE || move.ep_flag || mover == WHITE_KING ||
        mover == BLACK_KING)
        return move_was_legal(list, index);
    // side_to_move already names the opponent of the side that moved.
    return side_to_move == 0 ? !uncovers_attack(white_king_square, move.from, false)
                             : !uncovers_attack(black_king_square, move.from, true);
}

[[gnu::noinline, gnu::flatten]] bool move_was_legal(const Move* list, int index) {
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
