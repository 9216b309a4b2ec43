#include <gtest/gtest.h>

#include "board/fen.h"
#include "board/game.h"
#include "board/keys.h"
#include "board/repetition.h"
#include "support/board_helpers.h"

namespace {

TEST(Fen, InitialPositionEqualsNewGame) {
    init_keys();
    new_game();
    const uint64_t new_game_key = hash_key;
    test_support::set_up(std::string(START_FEN));
    EXPECT_EQ(hash_key, new_game_key);
    EXPECT_EQ(non_pawn_count, 14);
    EXPECT_EQ(piece_count, 32);
    for (int square = 0; square < BOARD_SQUARES; ++square)
        EXPECT_EQ(square_move_count[square], 0);
}

TEST(Fen, CastlingRightsBecomeMoveCountsAndCountersAreRead) {
    test_support::set_up("r3k2r/8/8/8/8/8/8/R3K2R w Kq - 12 40");
    EXPECT_EQ(square_move_count[E1], 0);
    EXPECT_EQ(square_move_count[H1], 0);
    EXPECT_NE(square_move_count[A1], 0);
    EXPECT_EQ(square_move_count[A8], 0);
    EXPECT_NE(square_move_count[H8], 0);
    EXPECT_EQ(fifty_counter, 12);
    EXPECT_EQ(key_history_count, 0);
    test_support::set_up("4k3/8/8/8/8/8/8/R3K2R b - - 0 1");
    EXPECT_FALSE(square_move_count[E1] == 0 && square_move_count[H1] == 0);
    EXPECT_EQ(side_to_move, 0);
}

TEST(Fen, RejectsImpossiblePositionsAndKeepsThePreviousOne) {
    test_support::set_up("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    const uint64_t key = hash_key;
    const char* bad[] = {
        "",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",          // seven ranks
        "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", // nine squares
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq - 0 1", // unknown letter
        "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ - 0 1",   // black has no king
        "4k3/8/8/8/8/8/8/4KK2 w - - 0 1",                           // two white kings
        "P3k3/8/8/8/8/8/8/4K3 w - - 0 1",                           // pawn on the last rank
        "4k3/8/8/8/8/8/8/p3K3 w - - 0 1",                           // pawn on the first rank
        "QQQQkQQQ/QQQQQQQQ/QQ6/8/8/8/8/4K3 w - - 0 1",              // 18 white men
        "4k3/8/8/8/8/P7/PPPPPPPP/4K3 w - - 0 1",                    // nine white pawns
        "4k3/8/8/8/8/8/8/4K3 x - - 0 1",                            // side
        "4k3/8/8/8/8/8/8/4K3 w K - 0 1",                            // right without a rook
        "4k3/8/8/8/8/8/8/3K3R w K - 0 1",                           // right without the king
        "4k3/8/8/8/8/8/8/4K3 w - e3 0 1",                           // wrong rank for white
        "4k3/8/8/8/8/8/8/4K3 w - e6 0 1",                           // no pawn that passed e6
        "4k3/8/8/8/8/8/8/4K3 w - - x 1",                            // bad clock
    };
    for (const char* fen : bad) {
        std::string error;
        EXPECT_FALSE(set_position_from_fen(fen, error)) << fen;
        EXPECT_FALSE(error.empty()) << fen;
        EXPECT_EQ(hash_key, key) << fen;
    }
    std::string error;
    // The side that just moved may not be in check: black to move, white king attacked.
    EXPECT_FALSE(set_position_from_fen("4k3/8/8/8/8/8/8/r3K3 b - - 0 1", error));
    EXPECT_EQ(hash_key, key);
    EXPECT_TRUE(set_position_from_fen("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", error)) << error;
    EXPECT_EQ(ep_square, test_support::square_named("d6"));
}

} // namespace
