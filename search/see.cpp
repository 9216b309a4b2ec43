#include "search/see.h"

#include <algorithm>

#include "board/movegen.h"

namespace {

// The squares a sequence of recaptures may involve: every piece can take part at most once,
// so 32 captures bound the exchange.
constexpr int MAX_EXCHANGE = 32;

// The eight rays from the target square, diagonals first (the order in which sliders are
// considered, which decides between attackers of equal value).
constexpr int RAY_STEPS[8] = {11, -11, 13, -13, 12, -12, 1, -1};
constexpr int JUMPS[8] = {10, -10, 14, -14, 23, -23, 25, -25};

// The first piece along a ray from `square` (skipping emptied squares), or 0 at the border.
inline int first_piece_on_ray(int square, int step) {
    int at = square + step;
    while (board[at] == EMPTY)
        at += step;
    return board[at] == OFF_BOARD ? 0 : at;
}

// The first piece on each ray from the target square, kept up to date through the exchange:
// pieces only ever leave the board during it, and a ray changes only when its first piece
// leaves, so each ray is walked at most once per exchange instead of once per recapture. The
// diagonals and the lines are each walked only when first asked for: many exchanges are
// settled by a pawn or a knight.
struct Rays {
    static constexpr int UNKNOWN = -1;
    int target;
    int first[8] = {UNKNOWN, UNKNOWN, UNKNOWN, UNKNOWN, UNKNOWN, UNKNOWN, UNKNOWN, UNKNOWN};

    explicit Rays(int square) : target(square) {}

    // Rays begin .. begin+3: the diagonals (0) or the files and ranks (4).
    const int* four_from(int begin) {
        if (first[begin] == UNKNOWN)
            for (int d = begin; d < begin + 4; ++d)
                first[d] = first_piece_on_ray(target, RAY_STEPS[d]);
        return first + begin;
    }

    // The piece on `square` has left: the ray it was first on now reaches further.
    void lifted(int square) {
        for (int d = 0; d < 8; ++d)
            if (first[d] == square) {
                first[d] = first_piece_on_ray(square, RAY_STEPS[d]);
                return;
            }
    }
};

// The square of the least valuable piece of the given colour that attacks the target square
// on the board as it now stands, or 0 when there is none. Pieces already used in the exchange
// have been lifted off the board, so sliders behind them (x-rays) are found. Among pieces of
// equal value the first found wins: pawns, knights in jump order, then the rays in order.
int least_valuable_attacker(Rays& rays, bool white) {
    const int square = rays.target;
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
    auto consider = [&](int from, int d, int32_t slider) {
        if (from == 0) return;
        const int32_t code = board[from];
        const bool attacks =
            code == slider || code == queen || (code == king && from == square + RAY_STEPS[d]);
        if (attacks && see_value[code] < best_value) {
            best_value = see_value[code];
            best = from;
        }
    };
    const int* diagonals = rays.four_from(0);
    for (int d = 0; d < 4; ++d)
        consider(diagonals[d], d, bishop);
    if (best_value <= see_value[bishop]) return best;
    const int* lines = rays.four_from(4);
    for (int d = 4; d < 8; ++d)
        consider(lines[d - 4], d, rook);
    return best;
}

// The pieces that took part in an exchange, lifted off the board as they capture so that the
// sliders behind them join in, and put back in reverse order when it is settled. The first to go
// are the mover and an en-passant victim, which stands beside the target square, not on it.
struct LiftedPieces {
    int square[MAX_EXCHANGE];
    int32_t code[MAX_EXCHANGE];
    int count = 0;

    LiftedPieces(const Move& move, bool white) {
        lift(move.from);
        if (move.ep_flag) lift(white ? move.to - 12 : move.to + 12);
    }
    void lift(int at) {
        square[count] = at;
        code[count] = board[at];
        ++count;
        board[at] = EMPTY;
    }
    void put_back() {
        for (int i = count - 1; i >= 0; --i)
            board[square[i]] = code[i];
    }
};

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

    // 2. Lift the pieces that take part off the board as they capture.
    LiftedPieces lifted(move, white);
    const int32_t target_code = board[to];
    board[to] = piece_on_target;
    Rays rays(to);

    // 3. Alternate recaptures with the least valuable attacker. gain[d] is what the side that
    // made capture d has won so far if the exchange stops after it.
    int depth = 0;
    bool side_white = !white;
    while (depth + 1 < MAX_EXCHANGE) {
        const int attacker = least_valuable_attacker(rays, side_white);
        if (attacker == 0) break;
        ++depth;
        gain[depth] = see_value[board[to]] - gain[depth - 1];
        // A king may not recapture into an attacked square: the exchange ends before it.
        if (see_value[board[attacker]] >= see_value[WHITE_KING] &&
            least_valuable_attacker(rays, !side_white) != 0) {
            --depth;
            break;
        }
        board[to] = board[attacker];
        lifted.lift(attacker);
        rays.lifted(attacker);
        side_white = !side_white;
    }

    // 4. Put the board back as it was.
    board[to] = target_code;
    lifted.put_back();

    // 5. Each side stops when going on would lose: fold the gains back to the first move.
    while (depth > 0) {
        gain[depth - 1] = -std::max(-gain[depth - 1], gain[depth]);
        --depth;
    }
    return gain[0];
}

bool see_at_least(const Move& move, int32_t threshold) {
    // 1. Castling never loses material, and a capture of a piece worth at least the capturer
    // gains at least the difference whatever follows.
    if (move.castle != CASTLE_NONE) return threshold <= 0;
    // A quiet move loses at most the piece that moves.
    if (move.captured == EMPTY && move.promotion == 0 && -see_value[board[move.from]] >= threshold)
        return true;
    if (move.promotion == 0 && move.captured != EMPTY &&
        see_value[move.captured] - see_value[board[move.from]] >= threshold)
        return true;

    // 2. The first capture alone: below the threshold even if nothing takes back, or above it
    // even if the piece that moved is lost.
    const int to = move.to;
    const int from = move.from;
    const bool white = side_to_move == 1;
    int32_t piece_on_target = board[from];
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

    // 3. The recaptures, least valuable attacker first, on a board with the pieces that took
    // part lifted off (the target square itself is never read). `answer` holds whether the
    // mover reaches the threshold if the exchange stops here.
    LiftedPieces lifted(move, white);
    Rays rays(to);
    int32_t answer = 1;
    for (bool side_white = !white; lifted.count < MAX_EXCHANGE; side_white = !side_white) {
        const int attacker = least_valuable_attacker(rays, side_white);
        if (attacker == 0) break;
        answer ^= 1;
        const int32_t code = board[attacker];
        // A king may not recapture into an attacked square: the exchange ends before it.
        if (see_value[code] >= see_value[WHITE_KING]) {
            if (least_valuable_attacker(rays, !side_white) != 0) answer ^= 1;
            break;
        }
        swap = see_value[code] - swap;
        if (swap < answer) break;
        lifted.lift(attacker);
        rays.lifted(attacker);
    }

    // 4. Put the board back as it was.
    lifted.put_back();
    return answer != 0;
}
