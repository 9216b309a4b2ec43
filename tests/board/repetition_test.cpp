#include <gtest/gtest.h>

#include "board/attack.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/repetition.h"
#include "support/board_helpers.h"

namespace {

// Makes the moves as the search does, one ply deeper each; the caller unwinds with unmake_all.
struct SearchPath {
    Move moves[16];
    MoveUndo undos[16];
    int length = 0;

    void make(const std::string& text) {
        Move list[MAX_MOVES];
        int32_t count = 0;
        generate_moves(list, count);
        for (int i = 0; i < count; ++i) {
            if (test_support::text_of(list[i]) != text) continue;
            moves[length] = list[i];
            play_move(moves, length, undos[length]);
            ++length;
            return;
        }
        FAIL() << "no move " << text;
    }
    void unmake_all() {
        while (length > 0) {
            --length;
            take_back_move(moves, length, undos[length]);
        }
    }
};

TEST(Repetition, SearchPathNeedsOneEarlierOccurrenceTheGameNeedsTwo) {
    test_support::set_up();
    ply = 1; // the search root
    SearchPath path;
    for (const char* move : {"g1f3", "g8f6", "f3g1", "f6g8"})
        path.make(move);
    EXPECT_EQ(ply, 5);
    EXPECT_TRUE(is_repetition()); // ply 5 repeats the root
    path.unmake_all();
    ply = 1;
    EXPECT_FALSE(is_repetition());

    // The same cycle played in the game puts the position before the root once: not enough.
    test_support::play_all({"g1f3", "g8f6", "f3g1", "f6g8"});
    ply = 1;
    EXPECT_FALSE(is_repetition());
    test_support::play_all({"g1f3", "g8f6", "f3g1", "f6g8"});
    EXPECT_TRUE(is_repetition()); // third time on the board
    ply = 0;                      // at game level after a book move
    EXPECT_TRUE(is_repetition());
}

TEST(Repetition, NothingBeforeFourReversibleMovesAndNothingAcrossAPawnMove) {
    test_support::set_up();
    test_support::play_all({"g1f3", "g8f6", "f3g1"});
    ply = 1;
    EXPECT_LT(fifty_counter, 4);
    EXPECT_FALSE(is_repetition());
    // A pawn move in between cuts the history off.
    test_support::set_up();
    test_support::play_all({"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "e7e6", "g1f3",
                            "f8e7", "f3g1", "e7f8", "g1f3", "f8e7", "f3g1", "e7f8"});
    ply = 1;
    EXPECT_TRUE(is_repetition()); // the position after e7e6 stands three times
    EXPECT_EQ(fifty_counter, 8);
}

TEST(Repetition, FiftyMoveThresholdIsOneHundredAndOne) {
    test_support::set_up("4k3/8/8/8/8/8/8/R3K3 w - - 100 80");
    EXPECT_FALSE(fifty_move_rule_reached());
    test_support::play("a1a2");
    EXPECT_EQ(fifty_counter, 101);
    EXPECT_TRUE(fifty_move_rule_reached());
}

} // namespace
