// The position's self-check must see real damage, and must accept what play legitimately
// leaves behind: otherwise the debug build's assertions prove nothing.
#include <gtest/gtest.h>

#include "board/consistency.h"
#include "board/game.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "support/board_helpers.h"

namespace {

using test_support::play_all;
using test_support::set_up;
using test_support::square_named;

TEST(Consistency, AcceptsPlayedGamesAndTheCastlingKeysTheyLeave) {
    set_up();
    EXPECT_TRUE(position_is_consistent());
    // The rook leaves h1 before the king moves: the key keeps the kingside right's "held"
    // number, the count-based key the "lost" one.
    play_all({"e2e4", "e7e5", "g1f3", "b8c6", "h1g1", "g8f6", "g1h1", "f8c5", "e1e2"});
    EXPECT_NE(hash_key, compute_key());
    EXPECT_TRUE(position_is_consistent());
    // Promotions leave non_pawn_count short of the pieces on the board.
    set_up("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    play_all({"a7a8q"});
    EXPECT_TRUE(position_is_consistent());
}

TEST(Consistency, SeesABrokenPieceListKingSquareCountOrKey) {
    set_up();
    piece_index[square_named("e2")] = piece_index[square_named("d2")];
    EXPECT_FALSE(position_is_consistent());

    set_up();
    white_king_square = square_named("d1");
    EXPECT_FALSE(position_is_consistent());

    set_up();
    ++non_pawn_count;
    EXPECT_FALSE(position_is_consistent());

    set_up();
    hash_key ^= zobrist_side[0] ^ zobrist_side[1];
    EXPECT_FALSE(position_is_consistent());
    // A castling number may differ only where a rook has left its corner.
    set_up();
    hash_key ^= zobrist_castle_wk[0] ^ zobrist_castle_wk[1];
    EXPECT_FALSE(position_is_consistent());
}

TEST(Consistency, SquareSetsFollowTheBoardEvenWhenTheMoveWasHandedByHand) {
    set_up();
    board[square_named("e4")] = WHITE_PAWN; // written past put_on_square
    EXPECT_FALSE(position_is_consistent());
    set_up();
    squares_of[WHITE_QUEEN] |= squares_of[WHITE_KING];
    EXPECT_FALSE(position_is_consistent());

    // White is handed the move after its own double step and takes "en passant" behind its own
    // pawn: nothing of chess holds, but the sets still follow every write, there and back.
    set_up();
    play_all({"e2e4"});
    hand_move_to(1);
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    int tried = 0;
    for (int i = 0; i < count; ++i) {
        MoveUndo undo;
        play_move(list, i, undo);
        EXPECT_TRUE(position_is_consistent());
        take_back_move(list, i, undo);
        EXPECT_TRUE(position_is_consistent());
        ++tried;
    }
    EXPECT_GT(tried, 20);
}

} // namespace
