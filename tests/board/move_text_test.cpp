#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "board/game.h"
#include "board/move_text.h"
#include "support/board_helpers.h"

namespace {

bool parses(const char* text) {
    Move move;
    return parse_user_move(text, move);
}

TEST(MoveText, RoundTripsEveryLegalMoveOfVariedPositions) {
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
    };
    for (const char* fen : fens) {
        test_support::set_up(fen);
        const uint64_t key = hash_key;
        for (const std::string& text : test_support::generated_moves()) {
            Move move;
            if (!parse_user_move(text.c_str(), move)) continue; // not legal here
            EXPECT_EQ(test_support::text_of(move), text);
            EXPECT_EQ(hash_key, key);
        }
    }
}

TEST(MoveText, PromotionLettersCastlingAndTheNullMove) {
    test_support::set_up("4k3/P7/8/8/8/8/8/4K2R w K - 0 1");
    EXPECT_TRUE(parses("a7a8n"));
    EXPECT_TRUE(parses("a7a8q"));
    EXPECT_TRUE(parses("a7a8r"));
    EXPECT_TRUE(parses("a7a8b"));
    EXPECT_FALSE(parses("a7a8"));  // the letter is required
    EXPECT_FALSE(parses("a7a8Q")); // and lower case
    EXPECT_FALSE(parses("a7a8k"));
    EXPECT_TRUE(parses("e1g1"));
    char text[MOVE_TEXT_SIZE];
    Move promotion{};
    promotion.from = static_cast<uint8_t>(test_support::square_named("c7"));
    promotion.to = static_cast<uint8_t>(test_support::square_named("b8"));
    promotion.promotion = 42; // not a piece code: written as a queen
    format_move(text, promotion);
    EXPECT_STREQ(text, "c7b8q");
    format_move(text, NULL_MOVE);
    EXPECT_FALSE(parses(text));

    test_support::set_up("4k3/8/8/8/8/8/6b1/4K2R w K - 0 1");
    EXPECT_FALSE(parses("e1g1")); // through check
}

TEST(MoveText, FormatsEveryPairOfSquaresAndEveryPromotionLetter) {
    const char* const files = "abcdefgh";
    Move move{};
    char text[MOVE_TEXT_SIZE];
    for (int from = 0; from < 64; ++from) {
        for (int to = 0; to < 64; ++to) {
            const std::string from_name{files[from % 8], static_cast<char>('1' + from / 8)};
            const std::string to_name{files[to % 8], static_cast<char>('1' + to / 8)};
            move.from = static_cast<uint8_t>(test_support::square_named(from_name.c_str()));
            move.to = static_cast<uint8_t>(test_support::square_named(to_name.c_str()));
            format_move(text, move);
            ASSERT_EQ(std::string(text), from_name + to_name);
        }
    }
    const std::pair<int32_t, const char*> promotions[] = {
        {WHITE_KNIGHT, "n"}, {BLACK_KNIGHT, "n"}, {WHITE_BISHOP, "b"}, {BLACK_BISHOP, "b"},
        {WHITE_ROOK, "r"},   {BLACK_ROOK, "r"},   {WHITE_QUEEN, "q"},  {BLACK_QUEEN, "q"}};
    for (const auto& [piece, letter] : promotions) {
        move.promotion = static_cast<uint8_t>(piece);
        format_move(text, move);
        EXPECT_EQ(std::string(text), std::string("h8h8") + letter);
    }
}

TEST(MoveText, RejectsPinnedPiecesWrongSideCaseAndTrailingText) {
    test_support::set_up("4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1");
    EXPECT_FALSE(parses("e2c3")); // pinned knight
    EXPECT_TRUE(parses("e1d1"));
    test_support::set_up();
    EXPECT_TRUE(parses("e2e4"));
    EXPECT_FALSE(parses("E2E4"));
    EXPECT_FALSE(parses("e2e4 "));
    EXPECT_FALSE(parses("e7e5"));
    EXPECT_FALSE(parses("e2e5"));
}

} // namespace
