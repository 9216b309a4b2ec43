// The developer tools driven as a script would: their output lines and exit statuses.
#include <gtest/gtest.h>

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
