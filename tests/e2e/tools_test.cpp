// The developer tools driven as a script would: their output lines and exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>

#include "board/game.h"
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

namespace {

// The data generator: a run stopped and started again writes the file one run writes at once,
// several jobs share one file in whole games, and bad options are refused.
TEST(DatagenTool, ResumesWhereItStoppedAndRefusesBadOptions) {
    const test_support::TempDir dir;
    const std::string weights = std::string(VANTREK_SOURCE_DIR) + "/kelmora.ini";
    const std::vector<std::string> common = {"--weights", weights,     "--nodes", "300",
                                             "--book",    "none.book", "--hash",  "1"};
    auto run = [&](const std::string& output, const std::string& positions,
                   const std::string& jobs = "1") {
        std::vector<std::string> arguments = {"--output", output,   "--positions",
                                              positions,  "--jobs", jobs};
        arguments.insert(arguments.end(), common.begin(), common.end());
        return run_program(VANTREK_DATAGEN_TOOL, arguments, "", dir.path(),
                           std::chrono::seconds(120));
    };
    auto result = run("at-once.bin", "400");
    ASSERT_EQ(result.exit_status, 0) << result.err;
    EXPECT_NE(result.err.find(" positions/s"), std::string::npos) << result.err;
    ASSERT_EQ(run("in-two.bin", "150").exit_status, 0);
    // A run killed in the middle of a write leaves part of a record: it is cut off.
    std::string half = read_text(dir.path() + "/in-two.bin");
    ASSERT_EQ(half.size() % 32, 0u);
    dir.write_file("in-two.bin", half + std::string(13, '\x7f'));
    ASSERT_EQ(run("in-two.bin", "400").exit_status, 0);
    const std::string at_once = read_text(dir.path() + "/at-once.bin");
    EXPECT_GE(at_once.size(), 400u * 32);
    EXPECT_EQ(read_text(dir.path() + "/in-two.bin"), at_once);

    // Two jobs: whole games, each game's first record naming its job.
    ASSERT_EQ(run("two-jobs.bin", "400", "2").exit_status, 0);
    const std::string shared = read_text(dir.path() + "/two-jobs.bin");
    ASSERT_EQ(shared.size() % 32, 0u);
    ASSERT_GE(shared.size(), 400u * 32);
    int jobs_seen[2] = {0, 0};
    for (size_t at = 0; at < shared.size(); at += 32) {
        const uint8_t flags = static_cast<uint8_t>(shared[at + 27]);
        if ((flags & 16) != 0) ++jobs_seen[static_cast<uint8_t>(shared[at + 31]) & 1];
    }
    EXPECT_GT(jobs_seen[0], 0);
    EXPECT_GT(jobs_seen[1], 0);

    for (const std::vector<std::string>& bad : {std::vector<std::string>{},
                                                {"--positions", "10"},
                                                {"--output", "x.bin", "--jobs", "0"},
                                                {"--output", "x.bin", "--nodes", "many"},
                                                {"--output", "x.bin", "--bogus", "1"}}) {
        result = run_program(VANTREK_DATAGEN_TOOL, bad, "", dir.path());
        EXPECT_EQ(result.exit_status, 2);
        EXPECT_NE(result.err.find("vantrek-datagen: "), std::string::npos);
    }
    result = run_program(VANTREK_DATAGEN_TOOL, {"--output", "x.bin", "--weights", "missing.ini"},
                         "", dir.path());
    EXPECT_EQ(result.exit_status, 1);

    // The text data sets convert to the same records.
    dir.write_file("positions.txt",
                   "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1 | 35 | 1.0\n"
                   "not a position | 0 | 0.5\n"
                   "4k3/8/8/8/8/8/8/4R1K1 b - - 3 40 | -400 | 0.0\n");
    result = run_program(VANTREK_DATAGEN_TOOL, {"convert", "positions.txt", "positions.bin"}, "",
                         dir.path());
    ASSERT_EQ(result.exit_status, 0) << result.err;
    const std::string converted = read_text(dir.path() + "/positions.bin");
    ASSERT_EQ(converted.size(), 64u);
    EXPECT_EQ(static_cast<int16_t>(static_cast<uint8_t>(converted[24]) |
                                   static_cast<uint8_t>(converted[25]) << 8),
              35);
    EXPECT_EQ(converted[26], 2);                             // white won
    EXPECT_EQ(converted[27] & 1, 0);                         // black to move
    EXPECT_EQ(converted[32 + 27] & 2, 2);                    // in check
    EXPECT_EQ(static_cast<uint8_t>(converted[32 + 28]), 79); // ply of move 40, black to move
}

} // namespace
