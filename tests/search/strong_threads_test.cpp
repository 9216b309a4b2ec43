// The strong search's helper threads: how many there are, that a search with them leaves the
// game position as it was, and that the node count and the node limit take in every thread.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

#include "board/game.h"
#include "board/position.h"
#include "search/limits.h"
#include "search/strong/root.h"
#include "search/strong/thread.h"
#include "search/strong/threads.h"
#include "support/board_helpers.h"
#include "support/search_helpers.h"

namespace {

const char* const MIDDLEGAME =
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";

// Every test leaves the engine on one thread, as the other tests expect it.
class StrongThreads : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_TRUE(set_search_thread_count(1)); }
};

// (The most threads, 256, are started through the UCI option's test.)
TEST_F(StrongThreads, CountIsHeldToItsRange) {
    EXPECT_TRUE(set_search_thread_count(3));
    EXPECT_EQ(search_thread_count(), 3);
    EXPECT_TRUE(set_search_thread_count(0));
    EXPECT_EQ(search_thread_count(), 1);
    EXPECT_TRUE(set_search_thread_count(2));
    EXPECT_EQ(search_thread_count(), 2);
}

// The helpers search copies: the game position, its history included, is byte for byte the one
// before the search, and a second search from it finds a legal move again.
TEST_F(StrongThreads, SearchWithHelpersLeavesTheGamePositionAsItWas) {
    test_support::set_up(MIDDLEGAME);
    test_support::play_all({"h2h3", "g4h5"});
    auto before = std::make_unique<Position>();
    before->copy_from(game_position);
    ASSERT_TRUE(set_search_thread_count(4));
    test_support::QuietSearch quiet(9);
    strong_new_game();
    for (int search = 0; search < 2; ++search) {
        const std::string move = test_support::strong_best_move_here();
        EXPECT_NE(move, "none");
        EXPECT_EQ(std::memcmp(before.get(), &game_position, offsetof(Position, key_history)), 0);
        ASSERT_EQ(before->key_history_count, game_position.key_history_count);
        for (int32_t i = 0; i <= game_position.key_history_count; ++i)
            EXPECT_EQ(before->key_history[i], game_position.key_history[i]) << i;
    }
}

// The nodes a search reports are every thread's, and a node limit holds for them together.
TEST_F(StrongThreads, NodesAndTheNodeLimitCountEveryThread) {
    test_support::set_up(MIDDLEGAME);
    ASSERT_TRUE(set_search_thread_count(3));
    {
        test_support::QuietSearch quiet(8);
        strong_new_game();
        test_support::strong_best_move_here();
        EXPECT_EQ(node_count, searched_nodes());
        // The helpers searched too: the sum is more than the main thread's own count.
        EXPECT_GT(node_count, main_search_thread().node_count);
    }
    constexpr int64_t LIMIT = 25000;
    test_support::QuietSearch quiet;
    search_limits.max_nodes = LIMIT;
    strong_new_game();
    EXPECT_NE(test_support::strong_best_move_here(), "none");
    EXPECT_GE(node_count, LIMIT);
    EXPECT_LE(node_count, LIMIT + 3 * 2000);
}

} // namespace
