#include <gtest/gtest.h>

#include "board/game.h"
#include "search/scores.h"
#include "search/transposition.h"
#include "support/board_helpers.h"

namespace {

TEST(TranspositionTable, SizingFromTheHashOption) {
    EXPECT_EQ(tt_entry_count_for(1), 32768u);
    EXPECT_EQ(tt_entry_count_for(8), 262144u);
    EXPECT_EQ(tt_entry_count_for(16), 524288u);
    EXPECT_EQ(tt_entry_count_for(100), 4194304u);
    EXPECT_EQ(tt_entry_count_for(0), 262144u); // the default, 8
    EXPECT_EQ(tt_entry_count_for(MAX_HASH_SIZE), 1u << 27);
    EXPECT_EQ(sizeof(TTEntry), 24u);

    tt_release();
    hash_size = 0;
    tt_allocate();
    EXPECT_EQ(hash_size, 8);
    EXPECT_EQ(tt_mask, 262143u);
}

class TableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (tt_entries == nullptr) tt_allocate();
        for (uint32_t i = 0; i <= tt_mask; ++i)
            tt_entries[i] = TTEntry{};
        test_support::set_up();
        ply = 0;
    }
    Move some_move() {
        Move move{};
        move.from = 42;
        move.to = 66;
        move.captured = EMPTY;
        return move;
    }
};

TEST_F(TableTest, DepthPreferredReplacementAlsoAcrossPositions) {
    tt_store(5, 123, BOUND_EXACT, some_move());
    tt_store(4, 7, BOUND_EXACT, NULL_MOVE); // shallower: ignored
    EXPECT_EQ(tt_probe(-1000, 1000, 5).value, 123);
    // A different position in the same slot with a shallower depth does not replace it.
    const uint64_t original = hash_key;
    hash_key ^= uint64_t{1} << 40; // same low half, other high half
    tt_store(3, 55, BOUND_EXACT, NULL_MOVE);
    EXPECT_EQ(tt_probe(-1000, 1000, 0).outcome, PROBE_MISS);
    tt_store(5, 56, BOUND_EXACT, NULL_MOVE); // equal depth replaces
    EXPECT_EQ(tt_probe(-1000, 1000, 5).value, 56);
    hash_key = original;
    EXPECT_EQ(tt_probe(-1000, 1000, 0).outcome, PROBE_MISS);
}

TEST_F(TableTest, ProbeOutcomesAreFailHardAndTheMoveComesOutRegardless) {
    tt_store(5, 40, BOUND_UPPER, NULL_MOVE);
    ProbeResult probe = tt_probe(0, 100, 6);
    EXPECT_EQ(probe.outcome, PROBE_AVOID_NULL); // 5 > 6 - 2, 40 < beta, upper bound
    EXPECT_EQ(probe.value, 0);
    probe = tt_probe(0, 100, 7);
    EXPECT_EQ(probe.outcome, PROBE_MISS); // 5 is not above 7 - 2
    probe = tt_probe(50, 100, 5);
    EXPECT_EQ(probe.outcome, BOUND_UPPER);
    EXPECT_EQ(probe.value, 50); // alpha, not the stored score

    tt_store(6, 300, BOUND_LOWER, some_move());
    probe = tt_probe(0, 200, 6);
    EXPECT_EQ(probe.outcome, BOUND_LOWER);
    EXPECT_EQ(probe.value, 200);
    probe = tt_probe(0, 400, 9); // too shallow: no cutoff, but the move orders the search
    EXPECT_EQ(probe.outcome, PROBE_MISS);
    EXPECT_TRUE(same_move(probe.move, some_move()));

    tt_store(7, 900, BOUND_EXACT, NULL_MOVE);
    probe = tt_probe(-10, 10, 7); // exact scores come back even outside the window
    EXPECT_EQ(probe.outcome, BOUND_EXACT);
    EXPECT_EQ(probe.value, 900);
}

TEST_F(TableTest, MateScoresCountFromTheStoringNode) {
    ply = 4;
    tt_store(3, MATE_SCORE - 10, BOUND_EXACT, NULL_MOVE);
    EXPECT_EQ(tt_entries[key_low(hash_key) & tt_mask].score, MATE_SCORE - 6);
    ply = 6;
    EXPECT_EQ(tt_probe(-MATE_SCORE, MATE_SCORE, 3).value, MATE_SCORE - 12);
    ply = 4;
    tt_store(3, -(MATE_SCORE - 10), BOUND_EXACT, NULL_MOVE);
    EXPECT_EQ(tt_entries[key_low(hash_key) & tt_mask].score, -(MATE_SCORE - 6));
    ply = 2;
    EXPECT_EQ(tt_probe(-MATE_SCORE, MATE_SCORE, 3).value, -(MATE_SCORE - 8));
    tt_store(3, MATE_THRESHOLD, BOUND_EXACT, NULL_MOVE); // the threshold itself is no mate
    EXPECT_EQ(tt_entries[key_low(hash_key) & tt_mask].score, MATE_THRESHOLD);
}

TEST_F(TableTest, ClearForgetsDepthsButKeepsMoves) {
    tt_store(9, 77, BOUND_EXACT, some_move());
    tt_clear();
    const ProbeResult probe = tt_probe(-1000, 1000, 0);
    EXPECT_EQ(probe.outcome, BOUND_EXACT); // a depth-0 probe still gets an answer
    EXPECT_TRUE(same_move(probe.move, some_move()));
    EXPECT_EQ(tt_probe(-1000, 1000, 1).outcome, PROBE_MISS);
    tt_store(1, 5, BOUND_EXACT, NULL_MOVE); // any store replaces a cleared entry
    EXPECT_EQ(tt_probe(-1000, 1000, 1).value, 5);
}

} // namespace
