// The engine thinking and playing through its standard streams: replies, thinking output and
// every way a game ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "board/attack.h"
#include "board/game.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/movegen.h"
#include "support/board_helpers.h"
#include "support/vantrek_runner.h"

namespace {

using test_support::run_vantrek;
using test_support::split_lines;

std::vector<std::string> lines_starting(const std::string& output, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& line : split_lines(output))
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
}

int result_lines(const std::string& output) {
    int count = 0;
    for (const auto& line : split_lines(output))
        if (std::regex_search(line, std::regex(R"(^(1-0|0-1|1/2-1/2) \{)"))) ++count;
    return count;
}

std::string feed(const std::vector<std::string>& moves) {
    std::string text;
    for (const auto& move : moves)
        text += move + "\n";
    return text;
}

bool legal_after(const std::vector<std::string>& moves, const std::string& reply) {
    test_support::set_up();
    test_support::play_all(moves);
    Move move;
    return parse_user_move(reply.c_str(), move);
}

TEST(EnginePlay, AnswersAMoveAndPlaysTheSideToMoveOnGo) {
    auto result = run_vantrek("new\ntime 500\notim 500\ne2e4\nquit\n");
    auto moves = lines_starting(result.out, "move ");
    ASSERT_EQ(moves.size(), 1u) << result.out;
    EXPECT_TRUE(legal_after({"e2e4"}, moves[0].substr(5))) << moves[0];
    EXPECT_EQ(result.exit_status, 0);

    result = run_vantrek("force\nd2d4\nd7d5\ntime 500\ngo\nquit\n");
    moves = lines_starting(result.out, "move ");
    ASSERT_EQ(moves.size(), 1u) << result.out;
    EXPECT_TRUE(legal_after({"d2d4", "d7d5"}, moves[0].substr(5))) << moves[0];

    // "new" leaves the engine black: a reply to white's move, then nothing more.
    result = run_vantrek("new\ntime 500\notim 500\ng1f3\ntime 480\notim 490\nb1c3\nquit\n");
    EXPECT_EQ(lines_starting(result.out, "move ").size(), 2u) << result.out;
}

TEST(EnginePlay, ThinkingOutputFormatsWithAndWithoutPost) {
    const std::regex thinking_line(
        R"(^[ 0-9]{4}[0-9] [ \-0-9]{5}[0-9] [ 0-9]{6}[0-9] [ 0-9]{9}[0-9] )"
        R"((Mate in [0-9]+ )?([a-h][1-8][a-h][1-8][qrbn]? )*$)");
    const char* header = "Depth  Score Elasped      Nodes Principal Variation";
    auto result = run_vantrek("new\ntime 3000\notim 3000\ne2e4\nquit\n");
    const auto lines = split_lines(result.out);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), header), 1);
    int thinking = 0;
    bool after_header = false;
    for (const auto& line : lines) {
        if (line == header) {
            after_header = true;
            continue;
        }
        if (!after_header || line.rfind("move ", 0) == 0) continue;
        EXPECT_TRUE(std::regex_match(line, thinking_line)) << "[" << line << "]";
        EXPECT_GE(std::stoi(line.substr(0, 5)), 4) << line; // no lines before depth 4
        ++thinking;
    }
    EXPECT_GT(thinking, 0);

    result = run_vantrek("new\nnopost\ntime 3000\notim 3000\ne2e4\nquit\n");
    EXPECT_EQ(result.out, std::string(test_support::STARTUP_WITHOUT_FILES) + header + "\n" +
                              lines_starting(result.out, "move ").at(0) + "\n");
}

TEST(EnginePlay, ScholarsMateIsAnnouncedAfterTheMove) {
    const auto result =
        run_vantrek("force\n" + feed({"e2e4", "e7e5", "f1c4", "b8c6", "d1h5", "g8f6"}) +
                    "time 3000\notim 3000\ngo\nquit\n");
    const auto lines = split_lines(result.out);
    const auto move = std::find(lines.begin(), lines.end(), "move h5f7");
    ASSERT_NE(move, lines.end()) << result.out;
    ASSERT_NE(move + 1, lines.end());
    EXPECT_EQ(*(move + 1), "1-0 { White Mates: I Win! }");
    EXPECT_EQ(result_lines(result.out), 1);
    // The thinking line of the mate shows 32766 and "Mate in 1".
    EXPECT_NE(result.out.find("  32766 "), std::string::npos);
    EXPECT_NE(result.out.find(" Mate in 1 h5f7 "), std::string::npos);
}

TEST(EnginePlay, BeingMatedAndStalemateAreAnnouncedWithoutAMove) {
    // Fool's mate: the engine plays white and is mated.
    auto result = run_vantrek("force\n" + feed({"f2f3", "e7e5", "g2g4", "d8h4"}) + "go\nquit\n");
    EXPECT_TRUE(lines_starting(result.out, "move ").empty());
    EXPECT_EQ(lines_starting(result.out, "0-1 ").size(), 1u);
    EXPECT_NE(result.out.find("0-1 { Black Mates: You Win! }\n"), std::string::npos);
    EXPECT_EQ(result_lines(result.out), 1);

    // The engine plays black and is mated.
    result = run_vantrek("force\n" + feed({"e2e4", "f7f6", "d2d4", "g7g5", "d1h5"}) + "go\nquit\n");
    EXPECT_TRUE(lines_starting(result.out, "move ").empty());
    EXPECT_NE(result.out.find("1-0 { White Mates: You Win! }\n"), std::string::npos);
    EXPECT_EQ(result_lines(result.out), 1);

    // The quickest stalemate: black to move has no move and is not in check.
    result = run_vantrek(
        "force\n" +
        feed({"e2e3", "a7a5", "d1h5", "a8a6", "h5a5", "h7h5", "h2h4", "a6h6", "a5c7", "f7f6",
              "c7d7", "e8f7", "d7b7", "d8d3", "b7b8", "d3h7", "b8c8", "f7g6", "c8e6"}) +
        "go\nquit\n");
    EXPECT_TRUE(lines_starting(result.out, "move ").empty());
    EXPECT_NE(result.out.find("1/2-1/2 { Stalemate: Draw! }\n"), std::string::npos);
    EXPECT_EQ(result_lines(result.out), 1);
}

TEST(EnginePlay, RepetitionAndTheFiftyMoveRuleAreAnnouncedWithoutAMove) {
    // The initial position stands for the third time with white to move.
    auto result = run_vantrek(
        "force\n" + feed({"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"}) +
        "go\nquit\n");
    EXPECT_TRUE(lines_starting(result.out, "move ").empty());
    EXPECT_NE(result.out.find("1/2-1/2 { 3 Fold Repetition }\n"), std::string::npos);
    EXPECT_EQ(result_lines(result.out), 1);

    // After a few pawn moves that open lines, 101 half-moves of pieces only, never the same
    // position twice.
    const std::vector<std::string> opening{"e2e4", "e7e5", "d2d3", "d7d6",
                                           "b2b3", "b7b6", "g2g3", "g7g6"};
    test_support::set_up();
    test_support::play_all(opening);
    std::set<uint64_t> seen{hash_key};
    std::vector<std::string> moves = opening;
    while (moves.size() < opening.size() + 101) {
        Move list[MAX_MOVES];
        int32_t count = 0;
        generate_moves(list, count);
        bool moved = false;
        for (int i = 0; i < count && !moved; ++i) {
            if (board[list[i].from] <= BLACK_PAWN || list[i].captured != EMPTY) continue;
            const std::string text = test_support::text_of(list[i]);
            Move legal;
            if (!parse_user_move(text.c_str(), legal)) continue;
            MoveUndo undo;
            play_move(&legal, 0, undo);
            const bool fresh = seen.insert(hash_key).second;
            take_back_move(&legal, 0, undo);
            if (!fresh) continue;
            test_support::play(text);
            moves.push_back(text);
            moved = true;
        }
        ASSERT_TRUE(moved) << "no fresh piece move after " << moves.size() - opening.size();
    }
    ASSERT_EQ(fifty_counter, 101);
    result = run_vantrek("force\n" + feed(moves) + "time 300\ngo\nquit\n");
    EXPECT_TRUE(lines_starting(result.out, "move ").empty()) << result.out;
    EXPECT_NE(result.out.find("1/2-1/2 { Drawn by Fifty Move Rule }\n"), std::string::npos);
    EXPECT_EQ(result_lines(result.out), 1);
}

TEST(EnginePlay, AFullGameHistoryEndsInADrawClaimInsteadOfAMove) {
    std::string input = "force\n";
    for (int cycle = 0; cycle < 16384 / 4; ++cycle)
        input += "g1f3\ng8f6\nf3g1\nf6g8\n";
    input += "go\nquit\n";
    const auto result = run_vantrek(input);
    EXPECT_TRUE(lines_starting(result.out, "move ").empty());
    EXPECT_NE(result.out.find("1/2-1/2 { Game too long }\n"), std::string::npos);
    EXPECT_EQ(result.exit_status, 0);
}

} // namespace
