// The engine driven through its standard streams: start-up, the command line, move input and
// the end of a session.
#include <gtest/gtest.h>

#include <sstream>

#include "support/vantrek_runner.h"

namespace {

using test_support::run_vantrek;
using test_support::STARTUP_WITHOUT_FILES;

// Two games from an engine tournament, with castling on both wings and promotions.
const char* const GAME_WITH_QUEENSIDE_CASTLING =
    "d2d4 g8f6 c2c4 e7e6 b1c3 f8b4 d1c2 e8g8 c1e3 d7d5 a2a3 b4c3 c2c3 f6e4 c3c2 b8c6 e1c1 c6a5 "
    "c4d5 e6d5 b2b3 d8d6 b3b4 a5c4 c2b3 a7a5 b4b5 c8f5 g2g3 a5a4 b3b4 d6b4 a3b4 a4a3 f1h3 a3a2 "
    "c1c2 e4f2 h3f5 f2d1 e3c1 a2a1q c2d1 c4e3 d1d2 e3f5 d2e1 a1c1 e1f2 a8a1 f2f3 h7h5 g1h3 c1h1 "
    "f3f4 h1e4 f4g5 e4g4";
const char* const GAME_WITH_UNDERPROMOTION_RACE =
    "d2d4 g8f6 c2c4 e7e6 b1c3 f8b4 c1g5 h7h6 g5d2 c7c5 d4d5 e8g8 g1f3 d7d6 e2e3 b8a6 a2a3 b4a5 "
    "d5e6 c8e6 f1d3 a6c7 e1g1 d6d5 f3e5 d5c4 d3c4 d8d6 c4e6 d6e6 e5d3 e6d6 c3e4 f6e4 d2a5 b7b6 "
    "f2f3 a8d8 d3f4 g7g5 f3e4 g5f4 d1g4 d6g6 g4g6 f7g6 a5c3 f4e3 f1e1 d8d3 e1d1 c5c4 c3e5 c7a6 "
    "e5d4 e3e2 d1d3 c4d3 d4c3 a6c5 e4e5 c5e4 c3b4 d3d2 b4d2 e4d2 h2h3 f8f1 a1f1 e2f1q g1h2 f1f2 "
    "h2h1 d2c4 e5e6 c4e3 e6e7 f2g2";

std::string one_move_per_line(const std::string& moves) {
    std::istringstream words(moves);
    std::string lines, move;
    while (words >> move)
        lines += move + "\n";
    return lines;
}

TEST(XboardSession, StartsQuietlyAndQuitsWithStatusZero) {
    const auto result = run_vantrek("quit\n");
    EXPECT_EQ(result.out, STARTUP_WITHOUT_FILES);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exit_status, 0);
    // The protocol's other commands answer nothing.
    const auto quiet = run_vantrek("xboard\nhard\neasy\nrandom\n?\nlevel 40 5 0\npost\nnopost\n"
                                   "force\nwhite\nblack\nresult 1-0\nnew\nforce\n\nhello\n"
                                   "time 100\notim 200\nquit\r\n");
    EXPECT_EQ(quiet.out, STARTUP_WITHOUT_FILES);
    EXPECT_EQ(quiet.exit_status, 0);
}

TEST(XboardSession, EndOfInputEndsTheEngineWithoutSpinning) {
    const auto result = run_vantrek("force\ne2e4", {}, {}, std::chrono::seconds(10));
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, STARTUP_WITHOUT_FILES);
}

TEST(XboardSession, CommandLineErrorsAndOptions) {
    auto result = run_vantrek("quit\n", {"-hash"});
    EXPECT_EQ(result.err, "You must specify a hash size: Vantrek -hash <size>\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.exit_status, 1);

    for (const char* size : {"-1", "6144", "99999999999999999999"}) {
        result = run_vantrek("quit\n", {"-hash", size});
        EXPECT_EQ(result.err, "Illegal hash table size!\n") << size;
        EXPECT_EQ(result.exit_status, 1) << size;
    }

    result = run_vantrek("quit\n", {"FOO", "-Hash", "8"});
    EXPECT_EQ(result.err, "\nUnrecognized command line argument: foo\n\n");
    EXPECT_EQ(result.out, STARTUP_WITHOUT_FILES);
    EXPECT_EQ(result.exit_status, 0);

    for (const char* option : {"-HASH", "/hash", "/HaSh"}) {
        result = run_vantrek("quit\n", {option, "16"});
        EXPECT_EQ(result.err, "") << option;
        EXPECT_EQ(result.exit_status, 0) << option;
    }
    result = run_vantrek("quit\n", {"-hash", "lots"}); // not a number: the default size
    EXPECT_EQ(result.exit_status, 0);
}

TEST(XboardSession, IllegalMovesAreAnsweredAndChangeNothing) {
    // After the legal moves: en passant (e5d6), then a king that may not step into check.
    const auto result = run_vantrek("force\ne2e5\ne7e5\nE2E4\ne2e4 \ne1g1\ne2e4\ne2e4\na7a6\n"
                                    "e4e5\nd7d5\ne5d6\nd8d6\ne1e2\nd6e6\ne2e3\ne2d3\nquit\n");
    EXPECT_EQ(result.out, std::string(STARTUP_WITHOUT_FILES) +
                              "Illegal move: e2e5\n"
                              "Illegal move: e7e5\n" // black's move with white to move
                              "Illegal move: E2E4\n"
                              "Illegal move: e2e4 \n"
                              "Illegal move: e1g1\n"
                              "Illegal move: e2e4\n"   // black to move now
                              "Illegal move: e2e3\n"); // stays in the queen's check on the e-file
    EXPECT_EQ(result.exit_status, 0);
}

TEST(XboardSession, WholeGamesInForceModeAreAcceptedSilently) {
    for (const char* game : {GAME_WITH_QUEENSIDE_CASTLING, GAME_WITH_UNDERPROMOTION_RACE}) {
        const auto result = run_vantrek("force\n" + one_move_per_line(game) + "quit\n");
        EXPECT_EQ(result.out, STARTUP_WITHOUT_FILES) << game;
        EXPECT_EQ(result.exit_status, 0);
    }
    // The same game with "new" in between starts again from the initial position.
    const auto twice =
        run_vantrek("force\n" + one_move_per_line(GAME_WITH_QUEENSIDE_CASTLING) + "new\nforce\n" +
                    one_move_per_line(GAME_WITH_QUEENSIDE_CASTLING) + "quit\n");
    EXPECT_EQ(twice.out, STARTUP_WITHOUT_FILES);
}

TEST(XboardSession, OverlongLinesAreCutTo255Characters) {
    const std::string long_move = "e2e4" + std::string(296, 'x');
    const auto result = run_vantrek("force\n" + long_move + "\ne2e4\nquit\n");
    EXPECT_EQ(result.out, std::string(STARTUP_WITHOUT_FILES) +
                              "Illegal move: " + long_move.substr(0, 255) + "\n");
    EXPECT_EQ(result.exit_status, 0);
}

TEST(XboardSession, TheLongestGameIsRefusedClearlyBeyondItsLimit) {
    // Knights out and back: 16384 half-moves fill the game history exactly.
    std::string input = "force\n";
    for (int cycle = 0; cycle < 16384 / 4; ++cycle)
        input += "g1f3\ng8f6\nf3g1\nf6g8\n";
    input += "g1f3\nb1c3\nquit\n";
    const auto result = run_vantrek(input);
    EXPECT_EQ(result.out, std::string(STARTUP_WITHOUT_FILES) +
                              "Illegal move (game too long): g1f3\n"
                              "Illegal move (game too long): b1c3\n");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
}

} // namespace
