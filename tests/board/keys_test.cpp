// The key generator is fixed bit for bit: opening books are searched for its keys.
#include <gtest/gtest.h>

#include "board/game.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "support/board_helpers.h"

namespace {

TEST(Keys, GeneratorCheckValuesAndZeroRows) {
    key_random_state = 1;
    EXPECT_EQ(key_random(), 0x285A6985u);
    EXPECT_EQ(key_random(), 0xE08AE7D4u);
    EXPECT_EQ(key_random(), 0xAEB3E716u);
    EXPECT_EQ(key_random(), 0x4464EF59u);

    init_keys();
    EXPECT_EQ(zobrist_piece[WHITE_PAWN][0], 0xE08AE7D4285A6985ull);
    EXPECT_EQ(zobrist_ep[0], 0u);
    for (int square = 0; square < BOARD_SQUARES; ++square) {
        EXPECT_EQ(zobrist_piece[OFF_BOARD][square], 0u);
        EXPECT_EQ(zobrist_piece[EMPTY][square], 0u);
    }
    // 3,762 numbers are drawn; a second run gives the same tables.
    const uint64_t last_side_key = zobrist_side[1];
    init_keys();
    EXPECT_EQ(zobrist_side[1], last_side_key);
    EXPECT_NE(zobrist_castle_wk[0], zobrist_castle_wk[1]);
}

TEST(Keys, InitialPositionAndAfterKingsPawnDoubleStep) {
    init_keys();
    new_game();
    EXPECT_EQ(hash_key, 0x862BF78C49C7F40Full);
    EXPECT_EQ(key_history[0], hash_key);
    test_support::play("e2e4");
    EXPECT_EQ(ep_square, 54);
    EXPECT_EQ(hash_key, 0x0B4DC76AA4DCBDAFull);
    // The next move takes the en-passant number out of the key again.
    test_support::play("g8f6");
    EXPECT_EQ(ep_square, 0);
    EXPECT_EQ(hash_key, compute_key());
}

TEST(Keys, RookThatLeavesAndReturnsBeforeTheKingMovesKeepsTheHeldCastlingKey) {
    test_support::set_up("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1");
    test_support::play_all({"h1g1", "a7a6", "g1h1", "a6a5"});
    // The count says the right is lost; the key still holds the "held" number for it.
    EXPECT_EQ(square_move_count[H1], 2);
    EXPECT_EQ(hash_key, compute_key() ^ zobrist_castle_wk[1] ^ zobrist_castle_wk[0]);
    // The king's first move XORs the "lost" number twice for kingside: no change there.
    test_support::play("e1f1");
    EXPECT_EQ(hash_key, compute_key() ^ zobrist_castle_wk[1] ^ zobrist_castle_wk[0]);
    // The queenside right was still held and is now lost in both keys alike.
    test_support::play("b7b6");
    test_support::play("f1e1");
    EXPECT_EQ(hash_key, compute_key() ^ zobrist_castle_wk[1] ^ zobrist_castle_wk[0]);
}

} // namespace
