// Static exchange evaluation: exchanges on one square, with x-rays, pins ignored, kings that
// may not recapture into an attack, en passant and promotions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/movegen.h"
#include "search/strong/see.h"
#include "support/board_helpers.h"
#include "tools/bench_positions.h"

namespace {

int32_t exchange(const std::string& fen, const char* move_text) {
    test_support::set_up(fen);
    Move move;
    EXPECT_TRUE(parse_user_move(move_text, move)) << move_text;
    const uint64_t key = hash_key;
    const int32_t value = static_exchange(game_position, move);
    EXPECT_EQ(hash_key, key);
    return value;
}

constexpr int32_t PAWN = 110, KNIGHT = 420, BISHOP = 435, ROOK = 685, QUEEN = 1240;

TEST(StaticExchange, ExchangesOnOneSquare) {
    // An undefended pawn, a defended one taken by a rook, a knight trade.
    EXPECT_EQ(exchange("4k3/8/8/3p4/8/8/8/3RK3 w - - 0 1", "d1d5"), PAWN);
    EXPECT_EQ(exchange("4k3/8/4p3/3p4/8/8/8/3RK3 w - - 0 1", "d1d5"), PAWN - ROOK);
    EXPECT_EQ(exchange("4k3/8/4p3/3n4/8/4N3/8/4K3 w - - 0 1", "e3d5"), 0);
    // The rook behind the rook joins in (x-ray): two rooks against a defended pawn win it.
    EXPECT_EQ(exchange("3rk3/8/8/3p4/8/8/3R4/3RK3 w - - 0 1", "d2d5"), PAWN - ROOK + ROOK);
    EXPECT_EQ(exchange("3rk3/3r4/8/3p4/8/8/3R4/3RK3 w - - 0 1", "d2d5"), PAWN - ROOK);
    // The defender stops when recapturing would lose more: bishop takes a knight defended by
    // the queen only, behind which white's rook waits.
    EXPECT_EQ(exchange("3qk3/8/8/3n4/8/1B6/8/3RK3 w - - 0 1", "b3d5"), KNIGHT);
    EXPECT_EQ(exchange("3qk3/8/8/3n4/8/1B6/8/4K3 w - - 0 1", "b3d5"), KNIGHT - BISHOP);
    // Which of two bishops takes back first decides what it uncovers: the one on e4 goes first
    // and lets the black bishop behind it in; the black queen behind c4 then has the last word.
    // Had c4 gone first, the queen would have been lost to the bishop on e4.
    EXPECT_EQ(exchange("7k/8/5n2/3P4/2B1B2K/8/q5b1/8 b - - 0 1", "f6d5"), PAWN);
}

TEST(StaticExchange, KingsEnPassantPromotionsAndQuietMoves) {
    // A king may take a piece where nothing defends it, ...
    EXPECT_EQ(exchange("4k3/8/8/8/8/8/3p4/4K3 w - - 0 1", "e1d2"), PAWN);
    // ... but not recapture into an attack: the bishop behind the rook keeps the king off e7.
    EXPECT_EQ(exchange("4k3/4n3/8/8/8/8/8/4R1K1 w - - 0 1", "e1e7"), KNIGHT - ROOK);
    EXPECT_EQ(exchange("4k3/4n3/8/8/1B6/8/8/4R1K1 w - - 0 1", "e1e7"), KNIGHT);
    // En passant takes the pawn beside the target square.
    EXPECT_EQ(exchange("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6"), PAWN);
    // A promotion gains the queen over the pawn; taken back, it loses the pawn.
    EXPECT_EQ(exchange("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q"), QUEEN - PAWN);
    EXPECT_EQ(exchange("r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q"), QUEEN - PAWN - QUEEN);
    // A quiet move to a square a pawn attacks hangs the piece.
    EXPECT_EQ(exchange("4k3/8/4p3/8/8/8/8/3QK3 w - - 0 1", "d1d5"), -QUEEN);
    test_support::set_up("4k3/8/4p3/3n4/8/4N3/8/4K3 w - - 0 1");
    Move move;
    ASSERT_TRUE(parse_user_move("e3d5", move));
    EXPECT_TRUE(see_at_least(game_position, move, 0));
    EXPECT_FALSE(see_at_least(game_position, move, 1));
}

// The exchange worked out the plain way: every recapture walks every ray from the target
// anew. Among attackers of equal value the first found takes part first (pawns, knights in
// jump order, diagonals, then files and ranks), which decides which x-rays open.
int reference_attacker(int square, bool white) {
    const int32_t offset = white ? 0 : 1;
    for (int from : {white ? square - 11 : square + 11, white ? square - 13 : square + 13})
        if (board[from] == WHITE_PAWN + offset) return from;
    for (int jump : {10, -10, 14, -14, 23, -23, 25, -25})
        if (board[square + jump] == WHITE_KNIGHT + offset) return square + jump;
    int best = 0;
    int32_t best_value = INT32_MAX;
    for (int step : {11, -11, 13, -13, 12, -12, 1, -1}) {
        if (step == 12 && best_value <= see_value[WHITE_BISHOP]) break;
        int at = square + step;
        while (board[at] == EMPTY)
            at += step;
        const int32_t code = board[at];
        const int32_t slider = (step == 11 || step == -11 || step == 13 || step == -13)
                                   ? WHITE_BISHOP + offset
                                   : WHITE_ROOK + offset;
        const bool attacks = code == slider || code == WHITE_QUEEN + offset ||
                             (code == WHITE_KING + offset && at == square + step);
        if (attacks && see_value[code] < best_value) {
            best_value = see_value[code];
            best = at;
        }
    }
    return best;
}

int32_t reference_exchange(const Move& move) {
    int32_t copy[BOARD_SQUARES];
    std::memcpy(copy, board, sizeof copy);
    const bool white = side_to_move == 1;
    int32_t gain[32];
    int32_t on_target = board[move.from];
    gain[0] = move.captured == EMPTY ? 0 : see_value[move.captured];
    if (move.promotion != 0) {
        gain[0] += see_value[move.promotion] - see_value[on_target];
        on_target = move.promotion;
    }
    board[move.from] = EMPTY;
    if (move.ep_flag) board[white ? move.to - 12 : move.to + 12] = EMPTY;
    board[move.to] = on_target;
    int depth = 0;
    for (bool side = !white; depth + 1 < 32; side = !side) {
        const int attacker = reference_attacker(move.to, side);
        if (attacker == 0) break;
        gain[depth + 1] = see_value[board[move.to]] - gain[depth];
        if (see_value[board[attacker]] >= see_value[WHITE_KING] &&
            reference_attacker(move.to, !side) != 0)
            break;
        ++depth;
        board[move.to] = board[attacker];
        board[attacker] = EMPTY;
    }
    std::memcpy(board, copy, sizeof copy);
    for (; depth > 0; --depth)
        gain[depth - 1] = -std::max(-gain[depth - 1], gain[depth]);
    return gain[0];
}

// Every generated move of many positions (the bench positions and random games from them)
// against the plain exchange; the board must come back as it was.
TEST(StaticExchange, AgreesWithThePlainExchangeEverywhere) {
    std::mt19937 random(20261208);
    int compared = 0;
    // After the knight takes on d5 and a rook takes back, two queens may recapture: the one on
    // the diagonal goes first and opens the bishop behind it.
    std::vector<std::string> starts(std::begin(BENCH_POSITIONS), std::end(BENCH_POSITIONS));
    starts.push_back("3rk3/3r4/8/3n4/8/1Q2N3/B7/3QK3 w - - 0 1");
    for (const std::string& fen : starts) {
        test_support::set_up(fen);
        for (int step = 0; step < 60; ++step) {
            Move list[MAX_MOVES];
            int32_t count = 0;
            generate_moves(list, count);
            int32_t before[BOARD_SQUARES];
            std::memcpy(before, board, sizeof before);
            for (int32_t i = 0; i < count; ++i) {
                const int32_t expected = reference_exchange(list[i]);
                ASSERT_EQ(static_exchange(game_position, list[i]), expected)
                    << fen << " after " << step << " moves: " << test_support::text_of(list[i]);
                ASSERT_EQ(std::memcmp(before, board, sizeof before), 0);
                // Castling never loses material, whatever a pseudo-legal one runs into.
                for (int32_t threshold : {expected - 1, expected, expected + 1, 0, -200, 300})
                    EXPECT_EQ(see_at_least(game_position, list[i], threshold),
                              list[i].castle != CASTLE_NONE ? threshold <= 0
                                                            : expected >= threshold)
                        << fen << " after " << step << " moves: " << test_support::text_of(list[i]);
                ASSERT_EQ(std::memcmp(before, board, sizeof before), 0);
                ++compared;
            }
            // On to a random legal successor; a game that ends starts over.
            std::vector<int32_t> legal;
            for (int32_t i = 0; i < count; ++i) {
                MoveUndo undo;
                if (play_move(list, i, undo)) legal.push_back(i);
                take_back_move(list, i, undo);
            }
            if (legal.empty()) break;
            test_support::play(test_support::text_of(list[legal[random() % legal.size()]]));
        }
    }
    EXPECT_GT(compared, 30000);
}

} // namespace
