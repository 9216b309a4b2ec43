// The strong search on several threads, through the built vantrek-uci: the option, searches
// started and stopped in quick succession, the node limit over every thread, the number of
// threads changed between searches, and the analysis features with helpers searching.
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

// 1. Nf6+ gxf6 2. Bxf7 mate.
const char* const MATE_IN_TWO =
    "r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 10";

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

// Several lines, some moves only, a mate to find and pondering work as on one thread; the main
// thread alone reports.
TEST(Uci, AnalysisFeaturesWorkWithHelpers) {
    UciSession uci;
    start_with_threads(uci, 3);

    // MultiPV 3: each depth's three lines, once each.
    uci.send("setoption name MultiPV value 3");
    uci.send("position startpos moves e2e4");
    uci.send("go depth 8");
    auto lines = uci.until("bestmove", milliseconds(20000));
    expect_legal_lines(lines, test_support::START_FEN, {"e2e4"});
    int at_depth_8 = 0;
    for (const auto& line : lines)
        if (line.rfind("info depth 8 ", 0) == 0) ++at_depth_8;
    EXPECT_EQ(at_depth_8, 3);
    uci.send("setoption name MultiPV value 1");

    // searchmoves: only the move named, though the helpers search the same root.
    uci.send("position startpos");
    uci.send("go depth 8 searchmoves a2a3");
    lines = uci.until("bestmove", milliseconds(20000));
    EXPECT_EQ(best_move_of(lines), "a2a3");

    // go mate 2 on a mate in two.
    uci.send(std::string("position fen ") + MATE_IN_TWO);
    uci.send("go mate 2");
    lines = uci.until("bestmove", milliseconds(20000));
    EXPECT_EQ(best_move_of(lines), "d5f6");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[lines.size() - 2].find(" score mate 2 "), std::string::npos)
        << lines[lines.size() - 2];

    // A ponder search waits for the word, with its helpers searching, and ponderhit ends it.
    uci.send("position startpos moves e2e4 e7e5");
    uci.send("go ponder wtime 2000 btime 2000");
    std::vector<std::string> early;
    EXPECT_FALSE(uci.process().read_until("bestmove", milliseconds(500), &early));
    uci.send("ponderhit");
    lines = uci.until("bestmove", milliseconds(5000));
    lines.insert(lines.begin(), early.begin(), early.end());
    expect_legal_lines(lines, test_support::START_FEN, {"e2e4", "e7e5"});
}

// A strength level plays on one thread: the same seed gives the same move whatever Threads says.
TEST(Uci, StrengthLevelsPlayTheSameMoveWithAnyThreads) {
    std::vector<std::string> chosen;
    for (const int threads : {1, 4}) {
        UciSession uci;
        start_with_threads(uci, threads);
        uci.send("setoption name UCI_LimitStrength value true");
        uci.send("setoption name UCI_Elo value 1400");
        uci.send("setoption name Strength Seed value 7");
        uci.send("position startpos moves e2e4 e7e5 g1f3 b8c6");
        uci.send("go nodes 1000000");
        const auto lines = uci.until("bestmove", milliseconds(20000));
        chosen.push_back(best_move_of(lines));
        EXPECT_FALSE(chosen.back().empty());
    }
    EXPECT_EQ(chosen[0], chosen[1]);
}

} // namespace
