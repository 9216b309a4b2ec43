// The strong search on several threads, through the built vantrek-uci: the option, searches
// started and stopped in quick succession, the node limit over every thread, and the number of
// threads changed between searches. (The ThreadSanitizer preset runs every other UCI test, the
// analysis features and strength levels among them, on two threads.)
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "board/move_text.h"
#include "support/board_helpers.h"
#include "support/uci_session.h"

namespace {

using std::chrono::milliseconds;
using test_support::best_move_of;
using test_support::expect_legal_lines;
using test_support::UciSession;
using test_support::words_of;

// The word after `key` in a line, or "" when there is none.
std::string value_after(const std::string& line, const std::string& key) {
    const auto words = words_of(line);
    for (size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == key) return words[i + 1];
    return "";
}

// The node count of the last info line that has one (-1 when none has).
int64_t last_reported_nodes(const std::vector<std::string>& lines) {
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const std::string nodes = value_after(*line, "nodes");
        if (!nodes.empty()) return std::stoll(nodes);
    }
    return -1;
}

// A session whose engine searches without its book on `threads` threads.
void start_with_threads(UciSession& uci, int threads) {
    uci.send("uci");
    uci.until("uciok");
    uci.send("setoption name Threads value " + std::to_string(threads));
    uci.send("setoption name OwnBook value false");
    uci.ready();
}

TEST(Uci, ThreadsOptionRunsFromOneTo256) {
    UciSession uci;
    uci.send("uci");
    const auto lines = uci.until("uciok");
    int declared = 0;
    for (const auto& line : lines)
        if (line == "option name Threads type spin default 1 min 1 max 256") ++declared;
    EXPECT_EQ(declared, 1);
    uci.ready();
    uci.send("setoption name Threads value 0");
    auto answer = uci.ready();
    ASSERT_FALSE(answer.empty());
    EXPECT_EQ(answer.front(), "info string Threads is 1 to 256; set to 1");
    uci.send("setoption name Threads value 300");
    answer = uci.ready();
    ASSERT_FALSE(answer.empty());
    EXPECT_EQ(answer.front(), "info string Threads is 1 to 256; set to 256");
    // 256 threads search and stop like one.
    uci.send("setoption name OwnBook value false");
    uci.send("position startpos");
    uci.send("go infinite");
    std::this_thread::sleep_for(milliseconds(300));
    uci.send("stop");
    const auto searched = uci.until("bestmove", milliseconds(5000));
    expect_legal_lines(searched, test_support::START_FEN, {});
}

// Searches started and stopped in quick succession, some before their first iteration ends:
// every "go" gets exactly one legal "bestmove", and nothing comes after the last.
TEST(Uci, RapidGoAndStopWithSeveralThreadsAnswersEachGoOnce) {
    UciSession uci;
    start_with_threads(uci, 4);
    const std::vector<std::string> moves = {"e2e4", "e7e5", "g1f3"};
    for (int cycle = 0; cycle < 40; ++cycle) {
        const std::vector<std::string> played(moves.begin(), moves.begin() + cycle % 4);
        std::string position = "position startpos";
        if (!played.empty()) position += " moves";
        for (const auto& move : played)
            position += " " + move;
        uci.send(position);
        uci.send(cycle % 3 == 0 ? "go wtime 1000 btime 1000" : "go infinite");
        std::this_thread::sleep_for(milliseconds(cycle % 5 * 4));
        uci.send("stop");
        const auto lines = uci.until("bestmove", milliseconds(5000));
        int answers = 0;
        for (const auto& line : lines)
            if (line.rfind("bestmove", 0) == 0) ++answers;
        EXPECT_EQ(answers, 1) << "cycle " << cycle;
        test_support::set_up(test_support::START_FEN);
        test_support::play_all(played);
        Move parsed;
        EXPECT_TRUE(parse_user_move(best_move_of(lines).c_str(), parsed))
            << "cycle " << cycle << ": " << lines.back();
    }
    const auto rest = uci.ready();
    for (const auto& line : rest)
        EXPECT_EQ(line.rfind("bestmove", 0), std::string::npos) << line;
}

// "go nodes" counts the nodes of every thread: the search ends once all of them together have
// searched that many, a few hundred nodes a thread later at most, and reports their sum.
TEST(Uci, GoNodesCountsTheNodesOfEveryThread) {
    constexpr int64_t LIMIT = 30000;
    constexpr int THREADS = 3;
    UciSession uci;
    start_with_threads(uci, THREADS);
    uci.send("position startpos moves e2e4 c7c5");
    uci.send("go nodes " + std::to_string(LIMIT));
    const auto lines = uci.until("bestmove", milliseconds(10000));
    expect_legal_lines(lines, test_support::START_FEN, {"e2e4", "c7c5"});
    const int64_t nodes = last_reported_nodes(lines);
    EXPECT_GE(nodes, LIMIT);
    EXPECT_LE(nodes, LIMIT + THREADS * 2000);
}

// Threads changes between searches, also when it comes during one (it waits for the search's
// end). Back on one thread after several, a new game searches node for node as a fresh engine
// does: no helper is left behind, counting or writing.
TEST(Uci, ThreadsChangeBetweenSearches) {
    const std::string position = "position startpos moves d2d4 g8f6 c2c4";
    UciSession fresh;
    start_with_threads(fresh, 1);
    fresh.send(position);
    fresh.send("go depth 9");
    const auto reference = fresh.until("bestmove", milliseconds(20000));

    UciSession uci;
    start_with_threads(uci, 1);
    for (const int threads : {4, 2, 6}) {
        uci.send("setoption name Threads value " + std::to_string(threads));
        uci.send(position);
        uci.send("go depth 8");
        const auto lines = uci.until("bestmove", milliseconds(20000));
        expect_legal_lines(lines, test_support::START_FEN, {"d2d4", "g8f6", "c2c4"});
    }
    uci.send("go infinite");
    uci.send("setoption name Threads value 1");
    std::this_thread::sleep_for(milliseconds(200));
    uci.send("stop");
    expect_legal_lines(uci.until("bestmove", milliseconds(5000)), test_support::START_FEN,
                       {"d2d4", "g8f6", "c2c4"});
    uci.send("ucinewgame");
    uci.send(position);
    uci.send("go depth 9");
    const auto again = uci.until("bestmove", milliseconds(20000));
    EXPECT_EQ(last_reported_nodes(again), last_reported_nodes(reference));
    EXPECT_EQ(best_move_of(again), best_move_of(reference));
}

} // namespace
