#include <gtest/gtest.h>

#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "eval/evaluate.h"
#include "protocol/engine_turn.h"
#include "search/classic/iterate.h"
#include "search/classic/ordering.h"
#include "search/classic/search.h"
#include "search/scores.h"
#include "search/transposition.h"
#include "support/board_helpers.h"
#include "support/search_helpers.h"

namespace {

using test_support::best_move_at_depth;

class SearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (tt_entries == nullptr) tt_allocate();
        for (uint32_t i = 0; i <= tt_mask; ++i)
            tt_entries[i] = TTEntry{};
        clear_ordering_tables();
        iteration_depth = 1; // no time checks
        search_aborted = false;
        follow_pv = false;
    }

    // The depth the table holds for the position after `move_text`, or -1 when it holds
    // nothing for it.
    int stored_depth_after(const char* move_text) {
        Move move;
        EXPECT_TRUE(parse_user_move(move_text, move));
        MoveUndo undo;
        play_move(&move, 0, undo);
        const TTEntry& entry = tt_entries[key_low(hash_key) & tt_mask];
        const bool stored = entry.key_low == key_low(hash_key) &&
                            entry.key_high == key_high(hash_key) && entry.bound != 0;
        const int depth = stored ? entry.depth : -1;
        take_back_move(&move, 0, undo);
        return depth;
    }
};

TEST_F(SearchTest, MateAndStalemateScoresAtAGivenPly) {
    test_support::set_up("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
    ply = 5;
    EXPECT_EQ(search(-INFINITE_SCORE, INFINITE_SCORE, 1, true), 5 - MATE_SCORE);
    EXPECT_EQ(search(0, 10, 1, true), 5 - MATE_SCORE); // returned even below alpha
    EXPECT_EQ(pv_length[5], 5);

    test_support::set_up("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    ply = 3;
    EXPECT_EQ(search(-10, 10, 2, true), 0);
    const TTEntry& entry = tt_entries[key_low(hash_key) & tt_mask];
    EXPECT_EQ(entry.bound, BOUND_EXACT); // 0 is above the entry alpha
    EXPECT_EQ(entry.depth, 2);
}

TEST_F(SearchTest, RepetitionIsADrawBeforeTheTableIsAsked) {
    test_support::set_up();
    test_support::play_all({"g1f3", "g8f6", "f3g1", "f6g8"});
    ply = 0;
    tt_store(5, 4321, BOUND_EXACT, NULL_MOVE);
    ply = 5; // the start position stood at the root, four plies up
    EXPECT_EQ(search(-INFINITE_SCORE, INFINITE_SCORE, 3, true), 0);
    EXPECT_EQ(pv_length[5], 5);
    ply = 1; // at the root it is the first repetition only: the table answers
    EXPECT_EQ(search(-INFINITE_SCORE, INFINITE_SCORE, 3, true), 4321);
}

TEST_F(SearchTest, FiftyMoveNodeSearchesItsMovesThenScoresZeroWithoutStoring) {
    test_support::set_up("4k3/8/8/8/8/8/3Q4/4K3 w - - 101 90");
    ply = 1;
    const int64_t nodes_before = node_count;
    EXPECT_EQ(search(-INFINITE_SCORE, INFINITE_SCORE, 2, true), 0);
    EXPECT_GT(node_count, nodes_before);
    EXPECT_EQ(tt_entries[key_low(hash_key) & tt_mask].key_high == key_high(hash_key) &&
                  tt_entries[key_low(hash_key) & tt_mask].bound != 0,
              false);
}

TEST_F(SearchTest, CheckAndSingleReplyExtensionsDeepenTheChildren) {
    // In check: the replies are searched one ply deeper, so they reach the table.
    test_support::set_up("4k3/4r3/8/8/8/8/8/R3K3 w - - 0 1");
    ply = 1;
    search(-INFINITE_SCORE, INFINITE_SCORE, 1, true);
    EXPECT_EQ(stored_depth_after("e1d1"), 1);
    EXPECT_EQ(stored_depth_after("e1f2"), 1);

    // From ply 31 on a check no longer extends: the replies drop into the quiescence search.
    SetUp();
    test_support::set_up("4k3/4r3/8/8/8/8/8/R3K3 w - - 0 1");
    ply = 31;
    search(-INFINITE_SCORE, INFINITE_SCORE, 1, true);
    EXPECT_EQ(stored_depth_after("e1d1"), -1);
    SetUp();
    ply = 30;
    search(-INFINITE_SCORE, INFINITE_SCORE, 1, true);
    EXPECT_EQ(stored_depth_after("e1d1"), 1);

    // The king's step to b2 is the only move generated: one ply more.
    SetUp();
    test_support::set_up("7k/8/8/8/8/n1n5/P1P5/KB6 w - - 0 1");
    ply = 1;
    search(-INFINITE_SCORE, INFINITE_SCORE, 1, true);
    EXPECT_EQ(stored_depth_after("a1b2"), 1);
    // Without it (a second move generated) the child is left to the quiescence search.
    SetUp();
    test_support::set_up("7k/8/8/8/8/n1n5/P1P4P/KB6 w - - 0 1");
    ply = 1;
    search(-INFINITE_SCORE, INFINITE_SCORE, 1, true);
    EXPECT_EQ(stored_depth_after("a1b2"), -1);
}

TEST_F(SearchTest, QuiescenceStandsPatAndSearchesOnlyCaptures) {
    test_support::set_up("4k3/8/8/3q4/8/8/3R4/4K3 w - - 0 1");
    ply = 1;
    const int32_t static_score = evaluate();
    EXPECT_EQ(quiesce(-INFINITE_SCORE, INFINITE_SCORE, 0), static_score);
    // The rook takes the queen: better than standing pat.
    EXPECT_GT(quiesce(-INFINITE_SCORE, INFINITE_SCORE, 5), static_score + 1000);
    // At or above beta the static score itself comes back, not beta.
    EXPECT_EQ(quiesce(-INFINITE_SCORE, static_score - 50, 5), static_score);

    // No capture at all: the static score, even below alpha.
    test_support::set_up();
    const int32_t quiet_score = evaluate();
    EXPECT_EQ(quiesce(quiet_score + 100, quiet_score + 200, 5), quiet_score);
}

TEST(SearchSolves, MatesAndTacticsAtFixedDepth) {
    // Mates in one: a back rank, and the four-move mate on f7.
    EXPECT_EQ(best_move_at_depth("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 2), "d1d8");
    EXPECT_EQ(best_move_at_depth(
                  "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4", 2),
              "h5f7");
    EXPECT_EQ(best_move_at_depth("6k1/5ppp/8/8/8/8/q4PPP/1r4K1 w - - 0 1", 1), "none");
    EXPECT_EQ(game_state, BLACK_MATES); // white to move is mated
    // Mates in two.
    EXPECT_EQ(best_move_at_depth("kbK5/pp6/1P6/8/8/8/8/R7 w - - 0 1", 4), "a1a6");
    EXPECT_EQ(
        best_move_at_depth("r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 1", 4),
        "d5f6");
    // Black mates too.
    EXPECT_EQ(best_move_at_depth("3r2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1", 2), "d8d1");
    // Tactics: a knight fork of king and rook, a skewer, winning the queen.
    EXPECT_EQ(best_move_at_depth("r3k3/ppp2ppp/8/3N4/8/8/PPP2PPP/4K3 w - - 0 1", 4), "d5c7");
    EXPECT_EQ(best_move_at_depth("4k3/8/8/8/8/8/3q4/3RK3 w - - 0 1", 3), "e1d2");
}

} // namespace
