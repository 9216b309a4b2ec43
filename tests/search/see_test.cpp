// Static exchange evaluation: exchanges on one square, with x-rays, pins ignored, kings that
// may not recapture into an attack, en passant and promotions.
#include <gtest/gtest.h>

#include "protocol/move_text.h"
#include "search/see.h"
#include "support/board_helpers.h"

namespace {

int32_t exchange(const std::string& fen, const char* move_text) {
    test_support::set_up(fen);
    Move move;
    EXPECT_TRUE(parse_user_move(move_text, move)) << move_text;
    const uint64_t key = hash_key;
    const int32_t value = static_exchange(move);
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
    EXPECT_TRUE(see_at_least(move, 0));
    EXPECT_FALSE(see_at_least(move, 1));
}

} // namespace
