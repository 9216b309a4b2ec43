#include "search/see.h"

#include <algorithm>

#include "board/movegen.h"

namespace {

// The squares a sequence of recaptures may involve: every piece can take part at most once,
// so 32 captures bound the exchange.
constexpr int MAX_EXCHANGE = 32;

constexpr int DIAGONAL_STEPS[4] = {11, -11, 13, -13};
constexpr int ORTHOGONAL_STEPS[4] = {12, -12, 1, -1};
constexpr int JUMPS[8] = {10, -10, 14, -14, 23, -23, 25, -25};

// The first piece along a ray from `square` (skipping emptied squares), or 0 at the border.
inline int first_piece_on_ray(int square, int step) {
    int at = square + step;
    while (board[at] == EMPTY)
        at += step;
    return board[at] == OFF_BOARD ? 0 : at;
}

// The square of the least valuable piece of the given colour that attacks `square` on the
// board as it now stands, or 0 when there is none. Pieces already used in the exchange have
// been lifted off the board, so sliders behind them (x-rays) are found.
int least_valuable_attacker(int square, bool white) {
    const int32_t pawn = white ? WHITE_PAWN : BLACK_PAWN;
    // 1. Pawns: a white pawn attacks from one rank below, a black one from one rank above.
    const int pawn_from[2] = {white ? square - 11 : square + 11, white ? square - 13 : square + 13};
    for (int from : pawn_from)
        if (board[from] == pawn) return from;
    // 2. Knights.
    const int32_t knight = white ? WHITE_KNIGHT : BLACK_KNIGHT;
    for (int jump : JUMPS)
        if (board[square + jump] == knight) return square + jump;
    // 3. Sliders and the king: the first piece on each ray, keeping the cheapest that attacks.
    const int32_t bishop = white ? WHITE_BISHOP : BLACK_BISHOP;
    const int32_t rook = white ? WHITE_ROOK : BLACK_ROOK;
    const int32_t queen = white ? WHITE_QUEEN : BLACK_QUEEN;
    const int32_t king = white ? WHITE_KING : BLACK_KING;
    int best = 0;
    int32_t best_value = INT32_MAX;
    auto consider = [&](int from, bool adjacent, int32_t slider) {
        if (from == 0) return;
        const int32_t code = board[from];
        const bool attacks = code == slider || code == queen || (adjacent && code == king);
        if (attacks && see_value[code] < best_value) {
            best_value = see_value[code];
            best = from;
        }
    };
    for (int step : DIAGONAL_STEPS) {
        const int from = first_piece_on_ray(square, step);
        consider(from, from == square + step, bishop);
    }
    if (best_value <= see_value[bishop]) return best;
    for (int step : ORTHOGONAL_STEPS) {
        const int from = first_piece_on_ray(square, step);
        consider(from, from == square + step, rook);
    }
    return best;
}

} // namespace

int32_t static_exchange(const Move& move) {
    const int to = move.to;
    const int from = move.from;
    const bool white = side_to_move == 1;

    // 1. The first capture: its victim (a promotion also gains the new piece over the pawn).
    int32_t gain[MAX_EXCHANGE];
    int32_t piece_on_target = board[from];
    gain[0] = move.captured == EMPTY ? 0 : see_value[move.captured];
    if (move.promotion != 0) {
        gain[0] += see_value[move.promotion] - see_value[piece_on_target];
        piece_on_target = move.promotion;
    }

    // 2. Lift the pieces that take part off the board as they capture, so that the sliders
    // behind them join in; remember each lifted square to put it back.
    int lifted_square[MAX_EXCHANGE];
    int32_t lifted_code[MAX_EXCHANGE];
    int lifted = 0;
    auto lift = [&](int square) {
        lifted_square[lifted] = square;
        lifted_code[lifted] = board[square];
        ++lifted;
        board[square] = EMPTY;
    };
    lift(from);
    // An en-passant victim stands beside the target square, not on it.
    if (move.ep_flag) lift(white ? to - 12 : to + 12);
    const int32_t target_code = board[to];
    board[to] = piece_on_target;

    // 3. Alternate recaptures with the least valuable attacker. gain[d] is what the side that
    // made capture d has won so far if the exchange stops after it.
    int depth = 0;
    bool side_white = !white;
    while (depth + 1 < MAX_EXCHANGE) {
        const int attacker = least_valuable_attacker(to, side_white);
        if (attacker == 0) break;
        ++depth;
        gain[depth] = see_value[board[to]] - gain[depth - 1];
        // A king may not recapture into an attacked square: the exchange ends before it.
        if (see_value[board[attacker]] >= see_value[WHITE_KING] &&
            least_valuable_attacker(to, !side_white) != 0) {
            --depth;
            break;
        }
        board[to] = board[attacker];
        lift(attacker);
        side_white = !side_white;
    }

    // 4. Put the board back as it was.
    board[to] = target_code;
    for (int i = lifted - 1; i >= 0; --i)
        board[lifted_square[i]] = lifted_code[i];

    // 5. Each side stops when going on would lose: fold the gains back to the first move.
    while (depth > 0) {
        gain[depth - 1] = -std::max(-gain[depth - 1], gain[depth]);
        --depth;
    }
    return gain[0];
}

bool see_at_least(const Move& move, int32_t threshold) {
    // Castling never loses material, and a capture of a piece worth at least the capturer
    // gains at least the difference whatever follows.
    if (move.castle != CASTLE_NONE) return threshold <= 0;
    // A quiet move loses at most the piece that moves.
    if (move.captured == EMPTY && move.promotion == 0 && -see_value[board[move.from]] >= threshold)
        return true;
    if (move.promotion == 0 && move.captured != EMPTY &&
        see_value[move.captured] - see_value[board[move.from]] >= threshold)
        return true;
    return static_exchange(move) >= threshold;
}
