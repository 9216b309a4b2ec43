// Whatever a person types, in whatever order, the engine may play nonsense but never crashes,
// hangs or reads or writes outside its tables (the sanitizer build runs this too).
#include <gtest/gtest.h>

#include <random>

#include "support/vantrek_runner.h"

namespace {

using test_support::run_vantrek;

void expect_survives(const std::string& input) {
    const auto result = run_vantrek(input, {}, {}, std::chrono::seconds(60));
    EXPECT_FALSE(result.timed_out) << input;
    EXPECT_EQ(result.exit_status, 0) << input << "\nstderr: " << result.err;
    // The only thing the engine writes on standard error here is the missing book, once.
    EXPECT_TRUE(result.err.empty() || result.err == "Unable to open book file Vantrek.book!\n"
                                                    "Proceeding without my book...\n")
        << input << "\nstderr: " << result.err;
}

TEST(OddSequences, ColourCommandsThatLetASideCaptureTheKing) {
    // Black is in check, and "white" gives white the move again: the king can be taken.
    expect_survives("force\ne2e4\nf7f6\nd1h5\nwhite\ntime 20\ngo\ntime 20\ngo\nblack\ngo\nquit\n");
    // Both sides played by the engine in turn, colours switched back and forth.
    expect_survives("time 10\notim 10\ngo\nwhite\ngo\nblack\ngo\nwhite\nblack\nwhite\ngo\n"
                    "force\nwhite\nwhite\ngo\nnew\nblack\ngo\nquit\n");
    // A mate, then the colour commands hand the mated side its move again.
    expect_survives("force\nf2f3\ne7e5\ng2g4\nd8h4\nblack\ngo\nwhite\ngo\ntime 5\nblack\ngo\n"
                    "quit\n");
}

TEST(OddSequences, RandomStreamsOfCommandsAndMoves) {
    const std::vector<std::string> words = {
        "white",        "black",  "go",      "force", "new",    "result 1-0", "post", "nopost",
        "time 5",       "otim 5", "time 15", "e2e4",  "e7e5",   "d2d4",       "d7d5", "g1f3",
        "b8c6",         "e1g1",   "e8g8",    "a7a8q", "h2h4",   "h7h5",       "f1c4", "d8h4",
        "level 40 1 0", "",       "?",       "undo",  "xboard", "e2e4\r",     "time", "otim x",
        "E2E4",         "a1a8",   "c7c5",    "b1c3",  "f8b4",   "e4d5",       "d5e4"};
    std::mt19937 random(20261207);
    for (int session = 0; session < 12; ++session) {
        std::string input;
        for (int line = 0; line < 60; ++line) {
            if (random() % 5 == 0) {
                // A random coordinate text, almost never legal.
                input += static_cast<char>('a' + random() % 8);
                input += static_cast<char>('1' + random() % 8);
                input += static_cast<char>('a' + random() % 8);
                input += static_cast<char>('1' + random() % 8);
            } else {
                input += words[random() % words.size()];
            }
            input += '\n';
        }
        input += "quit\n";
        expect_survives(input);
        if (HasFailure()) return;
    }
}

} // namespace
