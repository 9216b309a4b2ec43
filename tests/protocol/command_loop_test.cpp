#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "board/game.h"
#include "protocol/command_loop.h"
#include "support/board_helpers.h"

namespace {

// Feeds `text` through a temporary stream and reads lines from it as the loop does.
std::vector<std::string> lines_read_from(const std::string& text, int size = INPUT_LINE_SIZE) {
    std::FILE* stream = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), stream);
    std::rewind(stream);
    std::vector<std::string> lines;
    std::vector<char> buffer(static_cast<size_t>(size));
    while (read_line(buffer.data(), size, stream))
        lines.emplace_back(buffer.data());
    std::fclose(stream);
    return lines;
}

TEST(ReadLine, DropsCarriageReturnsCutsOverlongLinesAndReportsTheEnd) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(lines_read_from("e2e4\r\nquit\r\n"), (Lines{"e2e4", "quit"}));
    EXPECT_EQ(lines_read_from("a\n\nb"), (Lines{"a", "", "b"})); // last line without a feed
    EXPECT_EQ(lines_read_from(""), Lines{});
    EXPECT_EQ(lines_read_from("abc\rdef\n"), (Lines{"abc\rdef"})); // only before the feed
    const Lines cut = lines_read_from(std::string(300, 'x') + "\nnext\n");
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[0], std::string(255, 'x'));
    EXPECT_EQ(cut[1], "next");
}

TEST(LooksLikeMove, LetterDigitLetterDigit) {
    EXPECT_TRUE(looks_like_move("e2e4"));
    EXPECT_TRUE(looks_like_move("E2E4"));
    EXPECT_TRUE(looks_like_move("a7a8q and more"));
    EXPECT_FALSE(looks_like_move("e2e"));
    EXPECT_FALSE(looks_like_move("time 100"));
    EXPECT_FALSE(looks_like_move(""));
}

TEST(Commands, ClocksColoursAndModes) {
    test_support::set_up();
    engine_clock = 777;
    handle_line("time 12345");
    EXPECT_EQ(engine_clock, 12345);
    handle_line("otim 500");
    EXPECT_EQ(opponent_clock, 500);
    handle_line("time"); // no number: the clock keeps its value
    handle_line("time ");
    handle_line("time abc");
    EXPECT_EQ(engine_clock, 12345);
    handle_line("timexyz 42"); // a prefix match still reads from the sixth character
    EXPECT_EQ(engine_clock, 12345);
    handle_line("time 99999999999999");
    EXPECT_EQ(engine_clock, INT32_MAX);

    handle_line("force");
    EXPECT_EQ(force_mode, 1);
    handle_line("black");
    EXPECT_EQ(side_to_move, 0);
    EXPECT_EQ(engine_side, 1);
    handle_line("white");
    EXPECT_EQ(side_to_move, 1);
    EXPECT_EQ(engine_side, 0);
    EXPECT_EQ(force_mode, 1);
    handle_line("go");
    EXPECT_EQ(engine_side, 1);
    EXPECT_EQ(force_mode, 0);
    handle_line("nopost");
    EXPECT_EQ(post_flag, 0);
    handle_line("post "); // not a whole-line match
    EXPECT_EQ(post_flag, 0);
    handle_line("result 1-0 {x}");
    EXPECT_EQ(post_flag, 1); // a new game turns thinking output on
    EXPECT_EQ(engine_side, 0);
}

} // namespace
