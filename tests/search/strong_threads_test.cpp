// The strong search's helper threads: a search with them leaves the game position as it was.
// (The number of threads and the node limit over them are tested through vantrek-uci.)
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

#include "board/game.h"
#include "board/position.h"
#include "search/strong/root.h"
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

} // namespace
