#include <gtest/gtest.h>

#include "board/game.h"
#include "board/movegen.h"
#include "search/classic/iterate.h"
#include "search/classic/ordering.h"
#include "search/classic/search.h"
#include "support/board_helpers.h"

namespace {

struct OrderedList {
    Move moves[MAX_MOVES];
    int32_t scores[MAX_MOVES];
    int32_t count = 0;

    int index_of(const std::string& text) const {
        for (int i = 0; i < count; ++i)
            if (test_support::text_of(moves[i]) == text) return i;
        ADD_FAILURE() << "no move " << text;
        return 0;
    }
    int32_t score_of(const std::string& text) const { return scores[index_of(text)]; }
};

OrderedList order(const Move& hash_move = NULL_MOVE) {
    OrderedList list;
    generate_moves(list.moves, list.count);
    order_moves(list.moves, list.scores, list.count, hash_move);
    return list;
}

class OrderingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clear_ordering_tables();
        for (auto& row : pv_table)
            for (auto& move : row)
                move = NULL_MOVE;
        follow_pv = false;
        iteration_depth = 3;
        ply = 1;
    }
};

TEST_F(OrderingTest, CaptureValuesHashBonusAndTiesInGenerationOrder) {
    // The queen on d4 can take the pawn d5, the knight e5 or the rook a4; the c3 knight can
    // take the pawn d5 or the rook a4.
    test_support::set_up("4k3/8/8/3pn3/r2Q4/2N5/8/4K3 w - - 0 1");
    ply = 1;
    OrderedList list = order();
    EXPECT_EQ(list.score_of("d4d5"), 1000 + 100 - 900);
    EXPECT_EQ(list.score_of("d4a4"), 1000 + 500 - 900);
    EXPECT_EQ(list.score_of("d4e5"), 1000 + 300 - 900);
    EXPECT_EQ(list.score_of("c3d5"), 1000 + 100 - 300);
    EXPECT_EQ(list.score_of("c3a4"), 1000 + 500 - 300);
    EXPECT_EQ(list.score_of("e1e2"), 0);

    // Selection: highest first, then the zeros in generation order.
    std::vector<std::string> taken;
    for (int i; (i = select_next_move(list.scores, list.count)) >= 0;)
        taken.push_back(test_support::text_of(list.moves[i]));
    ASSERT_EQ(static_cast<int>(taken.size()), list.count);
    EXPECT_EQ(taken[0], "c3a4");
    EXPECT_EQ(taken[1], "c3d5");
    EXPECT_EQ(taken[2], "d4a4");
    EXPECT_EQ(taken[3], "d4e5");
    EXPECT_EQ(taken[4], "d4d5");
    std::vector<std::string> quiet_in_generation_order;
    for (int i = 0; i < list.count; ++i)
        if (list.moves[i].captured == EMPTY)
            quiet_in_generation_order.push_back(test_support::text_of(list.moves[i]));
    EXPECT_EQ(std::vector<std::string>(taken.begin() + 5, taken.end()), quiet_in_generation_order);
    EXPECT_EQ(select_next_move(list.scores, list.count), -1);

    Move hash_move = list.moves[list.index_of("e1e2")];
    list = order(hash_move);
    EXPECT_EQ(list.score_of("e1e2"), 1001000);
}

TEST_F(OrderingTest, PromotionsEnPassantAndCastlingScores) {
    test_support::set_up("4k3/1P6/8/3pP3/8/8/8/4K2R w K d6 0 1");
    ply = 1;
    const OrderedList list = order();
    EXPECT_EQ(list.score_of("b7b8q"), 0);   // a promotion without capture scores as a quiet move
    EXPECT_EQ(list.score_of("e5d6"), 1000); // en passant: pawn takes pawn
    EXPECT_EQ(list.score_of("e1g1"), 0);
}

TEST_F(OrderingTest, PrincipalVariationModeHistoryAndKillers) {
    test_support::set_up();
    ply = 1;
    const OrderedList plain = order();
    const Move e2e4 = plain.moves[plain.index_of("e2e4")];
    const Move d2d4 = plain.moves[plain.index_of("d2d4")];
    const Move g1f3 = plain.moves[plain.index_of("g1f3")];

    // The previous iteration's move of this ply, also the hash move: both bonuses, nothing else.
    pv_table[1][1] = e2e4;
    history_table[e2e4.from][e2e4.to] = 800;
    follow_pv = true;
    OrderedList list = order(e2e4);
    EXPECT_EQ(list.score_of("e2e4"), 990000 + 1000000);
    EXPECT_TRUE(follow_pv);
    follow_pv = true;
    list = order(d2d4);
    EXPECT_EQ(list.score_of("d2d4"), 990000);
    EXPECT_TRUE(follow_pv); // e2e4 is in the list
    pv_table[1][1] = NULL_MOVE;
    follow_pv = true;
    order();
    EXPECT_FALSE(follow_pv); // not found: stays off

    // History shifted by the iteration depth: 7 at depth 3 gives 0, 800 gives 100.
    history_table[d2d4.from][d2d4.to] = 7;
    list = order();
    EXPECT_EQ(list.score_of("d2d4"), 0);
    EXPECT_EQ(list.score_of("e2e4"), 100);

    // Killers of this ply, and the to-squares of the neighbours' killers from ply 2 on.
    killer1[1] = g1f3;
    killer2[1] = d2d4;
    list = order();
    EXPECT_EQ(list.score_of("g1f3"), 1000);
    EXPECT_EQ(list.score_of("d2d4"), 500);
    EXPECT_EQ(list.score_of("b1c3"), 0); // the root gets no neighbour bonus
    ply = 2;
    killer1[1] = g1f3;
    killer1[3] = d2d4;
    list = order();
    EXPECT_EQ(list.score_of("g1f3"), 200);
    EXPECT_EQ(list.score_of("f2f3"), 200); // the to-square alone counts
    EXPECT_EQ(list.score_of("d2d4"), 150);
    EXPECT_EQ(list.score_of("e2e4"), 100); // history only
}

TEST_F(OrderingTest, KillersFillAndShiftByScore) {
    Move a{}, b{}, c{}, d{};
    a.from = 30, a.to = 31;
    b.from = 30, b.to = 42;
    c.from = 27, c.to = 52;
    d.from = 32, d.to = 55;
    ply = 4;
    record_killer(a, 10);
    EXPECT_TRUE(same_move(killer1[4], a));
    record_killer(b, 20); // better: a moves down
    EXPECT_TRUE(same_move(killer1[4], b));
    EXPECT_TRUE(same_move(killer2[4], a));
    record_killer(c, 15); // between: takes the second slot, a goes third
    EXPECT_TRUE(same_move(killer1[4], b));
    EXPECT_TRUE(same_move(killer2[4], c));
    EXPECT_TRUE(same_move(killer3[4], a));
    record_killer(d, 15); // not above the second's score: nothing changes
    EXPECT_TRUE(same_move(killer2[4], c));
    record_killer(b, 30); // no test for duplicates
    EXPECT_TRUE(same_move(killer1[4], b));
    EXPECT_TRUE(same_move(killer2[4], b));
    EXPECT_TRUE(same_move(killer3[4], c));
    reset_killer_scores(); // a new iteration: the next cutoff displaces them again
    record_killer(d, -5);
    EXPECT_TRUE(same_move(killer1[4], d));
}

} // namespace
