// The developer tools driven as a script would: their output lines and exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>

#include "support/engine_process.h"

namespace {

using test_support::run_program;

std::string value_of(const std::string& output, const std::string& key) {
    std::smatch match;
    const std::regex line("(^|\n)" + key + " ([0-9.]+)\n");
    return std::regex_search(output, match, line) ? match[2].str() : "";
}

TEST(PerftTool, CountsDividesAndRejectsBadInput) {
    auto result = run_program(VANTREK_PERFT, {"3"}, "", "");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(value_of(result.out, "nodes"), "8902");
    EXPECT_FALSE(value_of(result.out, "time").empty());
    EXPECT_FALSE(value_of(result.out, "nps").empty());

    result = run_program(VANTREK_PERFT, {"2", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "--divide"},
                         "", "");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_NE(result.out.find("e1g1 "), std::string::npos);
    EXPECT_NE(result.out.find("e1c1 "), std::string::npos);
    EXPECT_EQ(value_of(result.out, "nodes"), "568");

    for (const std::vector<std::string>& bad : {std::vector<std::string>{},
                                                {"0"},
                                                {"x"},
                                                {"3", "not a fen"},
                                                {"3", "8/8/8/8/8/8/8/8 w - -"}}) {
        result = run_program(VANTREK_PERFT, bad, "", "");
        EXPECT_EQ(result.exit_status, 2);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

TEST(BenchTool, TheSignatureIsTheSameFromRunToRun) {
    const auto first = run_program(VANTREK_BENCH, {"4"}, "", "");
    const auto second = run_program(VANTREK_BENCH, {"4"}, "", "");
    ASSERT_EQ(first.exit_status, 0) << first.err;
    ASSERT_EQ(second.exit_status, 0) << second.err;
    const std::string nodes = value_of(first.out, "nodes");
    EXPECT_FALSE(nodes.empty());
    EXPECT_NE(nodes, "0");
    EXPECT_EQ(nodes, value_of(second.out, "nodes"));
    // One line per position before the totals.
    const std::regex position_line("position +[0-9]+: [0-9]+ nodes\n");
    const auto count =
        std::distance(std::sregex_iterator(first.out.begin(), first.out.end(), position_line),
                      std::sregex_iterator());
    EXPECT_GE(count, 30);
    EXPECT_EQ(run_program(VANTREK_BENCH, {"0"}, "", "").exit_status, 2);
}

TEST(BenchTool, ChoosesTheSearch) {
    const auto classic = run_program(VANTREK_BENCH, {"--search", "classic", "4"}, "", "");
    const auto strong = run_program(VANTREK_BENCH, {"--search", "strong", "4"}, "", "");
    const auto again = run_program(VANTREK_BENCH, {"--search", "strong", "4"}, "", "");
    ASSERT_EQ(strong.exit_status, 0) << strong.err;
    EXPECT_EQ(value_of(classic.out, "nodes"),
              value_of(run_program(VANTREK_BENCH, {"4"}, "", "").out, "nodes"));
    EXPECT_NE(value_of(strong.out, "nodes"), value_of(classic.out, "nodes"));
    EXPECT_EQ(value_of(strong.out, "nodes"), value_of(again.out, "nodes"));
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--search"},
                                                {"--search", "fast"},
                                                {"--search", "strong", "x"},
                                                {"4", "--search", "strong"}}) {
        const auto result = run_program(VANTREK_BENCH, bad, "", "");
        EXPECT_EQ(result.exit_status, 2);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
}

} // namespace

namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(TuneTool, WritesACompleteWeightFileAndRejectsBadInput) {
    const test_support::TempDir dir;
    const std::string weights = std::string(VANTREK_SOURCE_DIR) + "/kelmora.ini";
    dir.write_file("games.txt", "game e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5c6 d7c6 e1g1 f7f6\n"
                                "4 0.52\n5 0.55\n6 0.5\n7 0.6\n8 0.58\n9 0.62\n10 0.6\n");
    auto result =
        run_program(VANTREK_TUNE_TOOL,
                    {"--weights", weights, "--output", "out.ini", "--max-sweeps", "1", "games.txt"},
                    "", dir.path());
    ASSERT_EQ(result.exit_status, 0) << result.err;
    EXPECT_NE(result.out.find("error before"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("error after"), std::string::npos) << result.out;
    // Every item of the weight file, in the reader's order, DOUBLED_ROOKS third.
    const std::string written = read_text(dir.path() + "/out.ini");
    EXPECT_EQ(std::count(written.begin(), written.end(), '='), 51) << written;
    EXPECT_EQ(written.rfind("BLOCKED_CENTER_PAWN=", 0), 0u) << written;
    EXPECT_LT(written.find("DOUBLED_ROOKS="), written.find("GOOD_BISHOP="));

    // Usage errors end with status 2; files that cannot be read, or no position to tune on,
    // with status 1, and no weight file is written.
    dir.write_file("empty.txt", "# nothing\n");
    for (const auto& [arguments, status] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{}, 2},
             {{"--k", "-1", "games.txt"}, 2},
             {{"--bogus", "games.txt"}, 2},
             {{"--weights", "missing.ini", "games.txt"}, 1},
             {{"--weights", weights, "missing.txt"}, 1},
             {{"--weights", weights, "empty.txt"}, 1}}) {
        std::vector<std::string> with_output = {"--output", "bad.ini"};
        with_output.insert(with_output.end(), arguments.begin(), arguments.end());
        result = run_program(VANTREK_TUNE_TOOL, with_output, "", dir.path());
        EXPECT_EQ(result.exit_status, status) << result.err;
        EXPECT_NE(result.err.find("vantrek-tune: "), std::string::npos);
        EXPECT_EQ(read_text(dir.path() + "/bad.ini"), "");
    }
}
