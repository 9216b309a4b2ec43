// Whole games against another Vantrek and against a different engine, relayed move by move:
// every move must be accepted by the other side and every game must end properly.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/relay.h"

namespace {

using test_support::GameRecord;
using test_support::play_game;

void expect_clean_game(const GameRecord& game, int number) {
    std::printf("game %d: %s after %zu half-moves %s\n", number,
                game.result.empty() ? "unfinished" : game.result.c_str(), game.moves.size(),
                game.result_line.c_str());
    EXPECT_EQ(game.problem, "") << "game " << number << " after " << game.moves.size()
                                << " half-moves";
    if (!game.result.empty()) {
        EXPECT_TRUE(game.result == "1-0" || game.result == "0-1" || game.result == "1/2-1/2")
            << game.result_line;
    }
}

TEST(SelfPlay, VantrekAgainstVantrekPlaysFourCleanGames) {
    int finished = 0;
    for (int number = 1; number <= 4; ++number) {
        const GameRecord game =
            play_game(test_support::vantrek_setup(), test_support::vantrek_setup(), 300, 300);
        expect_clean_game(game, number);
        EXPECT_GT(game.moves.size(), 0u);
        if (!game.result.empty()) ++finished;
    }
    RecordProperty("finished_games", finished);
}

TEST(SelfPlay, VantrekAgainstFairymaxPlaysCleanGamesWithEitherColour) {
    const auto fairymax = test_support::fairymax_setup();
    if (fairymax.program.empty()) GTEST_SKIP() << "fairymax is not installed";
    for (int number = 1; number <= 2; ++number) {
        const bool vantrek_white = number == 1;
        GameRecord game = vantrek_white
                              ? play_game(test_support::vantrek_setup(), fairymax, 500, 240)
                              : play_game(fairymax, test_support::vantrek_setup(), 500, 240);
        // Fairy-Max may spoil a game that Vantrek plays cleanly: on a slow or busy machine it
        // overruns its clock, and it sometimes dies of a segmentation fault. The game ends there
        // with nothing wrong on Vantrek's side.
        const std::string fairymax_colour = vantrek_white ? "black" : "white";
        if (game.problem == fairymax_colour + " lost on time" ||
            game.problem == fairymax_colour + " ended unexpectedly") {
            std::printf("game %d: Fairy-Max (%s)\n", number, game.problem.c_str());
            game.problem.clear();
        }
        expect_clean_game(game, number);
        EXPECT_GT(game.moves.size(), 2u);
    }
}

} // namespace
