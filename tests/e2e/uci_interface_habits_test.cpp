// The UCI engine as interfaces and tournament managers really drive it: a new game before every
// game, analysis with "go infinite", clocks of any size, the timing they read off the info
// lines, the end of a game at the root, and the move texts they send. Through the built
// vantrek-uci.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "support/uci_session.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test_support::best_move_of;
using test_support::expect_legal_lines;
using test_support::UciSession;
using test_support::words_of;

const char* const SEARCHES[] = {"strong", "classic"};

std::string value_after(const std::string& line, const std::string& key) {
    const auto words = words_of(line);
    for (size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == key) return words[i + 1];
    return "";
}

std::vector<std::string> search_lines(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    for (const auto& line : lines)
        if (line.rfind("info depth ", 0) == 0) kept.push_back(line);
    return kept;
}

// The info lines without the words the clock decides.
std::vector<std::string> tree_of(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    for (const auto& line : search_lines(lines)) {
        std::string text;
        const auto words = words_of(line);
        for (size_t i = 0; i < words.size(); ++i) {
            if (words[i] == "time" || words[i] == "nps") {
                ++i;
                continue;
            }
            text += words[i] + " ";
        }
        kept.push_back(text);
    }
    kept.push_back(lines.back());
    return kept;
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A tournament manager sends "ucinewgame" before every game: each game, and every test at a
// fixed node count, must be played as by a freshly started engine, whatever came before.
TEST(Uci, NewGameSearchesAsAFreshEngine) {
    const char* const game = "position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5";
    for (const char* search : SEARCHES) {
        const std::string go = search == std::string("strong") ? "go depth 9" : "go depth 5";
        UciSession uci;
        // The trees are compared node for node: one thread.
        uci.send("setoption name Threads value 1");
        uci.send(std::string("setoption name Search value ") + search);
        uci.send("setoption name OwnBook value false");
        std::vector<std::string> trees[3];
        for (int round = 0; round < 3; ++round) {
            if (round == 1) { // another game in between
                uci.send("ucinewgame");
                uci.send("position startpos moves d2d4 d7d5 c2c4");
                uci.send(go);
                uci.until("bestmove");
            }
            uci.send("ucinewgame");
            uci.send(game);
            uci.send(go);
            trees[round] = tree_of(uci.until("bestmove"));
        }
        EXPECT_EQ(trees[1], trees[0]) << search;
        EXPECT_EQ(trees[2], trees[0]) << search;
    }
}

// "go infinite" is an analysis: it searches, where a timed search may play from the book.
TEST(Uci, InfiniteAnalysisSearchesInsteadOfPlayingTheBook) {
    const std::string book = file_bytes(std::string(VANTREK_SOURCE_DIR) + "/Vantrek.book");
    ASSERT_FALSE(book.empty());
    UciSession uci({{"Vantrek.book", book}});
    for (const char* go : {"go infinite", "go"}) {
        uci.send("position startpos");
        uci.send(go);
        std::this_thread::sleep_for(milliseconds(300));
        uci.send("stop");
        const auto lines = uci.until("bestmove");
        EXPECT_EQ(std::find(lines.begin(), lines.end(), "info string book move"), lines.end())
            << go;
        EXPECT_GE(search_lines(lines).size(), 3u) << go;
        expect_legal_lines(lines, test_support::START_FEN, {});
    }
    uci.send("position startpos");
    uci.send("go wtime 60000 btime 60000");
    const auto lines = uci.until("bestmove");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "info string book move"), lines.end());
}

// Clocks beyond any game's, and numbers longer than 64 bits: the engine thinks as a long clock
// allows (here until told to stop), never moves at once as if the clock had run out.
TEST(Uci, HugeClockValuesLeaveTimeToThink) {
    for (const char* search : SEARCHES) {
        for (const char* go : {"go wtime 100000 btime 100000 winc 4000000000000000000 binc "
                               "4000000000000000000",
                               "go wtime 100000000000000000000 btime 100000000000000000000",
                               "go movetime 99999999999999999999999"}) {
            UciSession uci;
            uci.send(std::string("setoption name Search value ") + search);
            uci.send("setoption name OwnBook value false");
            uci.send("position startpos moves e2e4");
            uci.ready();
            uci.send(go);
            // The lines of the first second count too: a slow build (ThreadSanitizer's) may
            // finish no iteration between them and the stop.
            std::vector<std::string> lines;
            const auto early = uci.process().read_until("bestmove", milliseconds(1000), &lines);
            EXPECT_FALSE(early) << search << ": " << go << ": " << early.value_or("");
            uci.send("stop");
            const auto answer = uci.until("bestmove");
            lines.insert(lines.end(), answer.begin(), answer.end());
            expect_legal_lines(lines, test_support::START_FEN, {"e2e4"});
        }
    }
}

// The info lines count time in milliseconds from the "go": a search of a millisecond does not
// show ten, the first lines already show their speed, and times are not whole centiseconds.
TEST(Uci, InfoTimesAreMilliseconds) {
    for (const char* search : SEARCHES) {
        UciSession uci;
        uci.send(std::string("setoption name Search value ") + search);
        uci.send("setoption name OwnBook value false");
        uci.ready();
        const auto start = Clock::now();
        uci.send("go depth 1");
        auto lines = uci.until("bestmove");
        const int64_t took = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
        for (const auto& line : search_lines(lines))
            EXPECT_LE(std::stoll(value_after(line, "time")), took) << search << ": " << line;

        uci.send("go movetime 400");
        lines = search_lines(uci.until("bestmove"));
        ASSERT_GE(lines.size(), 3u) << search;
        bool any_between_centiseconds = false;
        for (const auto& line : lines) {
            const int64_t time = std::stoll(value_after(line, "time"));
            any_between_centiseconds = any_between_centiseconds || time % 10 != 0;
            if (std::stoll(value_after(line, "nodes")) > 0) {
                EXPECT_GT(std::stoll(value_after(line, "nps")), 0) << search << ": " << line;
            }
        }
        EXPECT_TRUE(any_between_centiseconds) << search;
    }
}

// Interfaces show how deep the lines went and how full the table is. Every line of the strong
// search carries both: the deepest ply reaches at least the iteration's depth, and the table,
// which only fills during one search, counts this search's entries alone.
TEST(Uci, ThinkingLinesShowTheDeepestPlyAndTheTableFilling) {
    UciSession uci;
    uci.send("setoption name OwnBook value false");
    uci.send("setoption name Hash value 1");
    uci.send("position startpos moves e2e4 c7c5 g1f3 d7d6");
    uci.send("go depth 9");
    const auto lines = search_lines(uci.until("bestmove"));
    ASSERT_GE(lines.size(), 9u);
    int32_t previous_permille = 0;
    for (const auto& line : lines) {
        const std::string seldepth = value_after(line, "seldepth");
        const std::string hashfull = value_after(line, "hashfull");
        ASSERT_FALSE(seldepth.empty()) << line;
        ASSERT_FALSE(hashfull.empty()) << line;
        EXPECT_GE(std::stoi(seldepth), std::stoi(value_after(line, "depth"))) << line;
        const int32_t permille = std::stoi(hashfull);
        EXPECT_GE(permille, previous_permille) << line;
        EXPECT_LE(permille, 1000) << line;
        previous_permille = permille;
    }
    EXPECT_GT(previous_permille, 0) << lines.back();

    // The next search starts with the same entries in the table, but none of them its own.
    uci.send("go depth 1");
    const auto next = search_lines(uci.until("bestmove"));
    ASSERT_FALSE(next.empty());
    EXPECT_LT(std::stoi(value_after(next.front(), "hashfull")), previous_permille) << next.front();
}

// A root without a legal move: the interface learns the result from a depth-0 line first.
TEST(Uci, MateAndStalemateAtTheRootAreScoredBeforeTheAnswer) {
    const std::pair<const char*, const char*> ends[] = {
        {"3R2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1", "info depth 0 score mate 0"},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "info depth 0 score cp 0"}};
    for (const char* search : SEARCHES) {
        UciSession uci;
        uci.send(std::string("setoption name Search value ") + search);
        uci.ready();
        for (const auto& [fen, line] : ends) {
            uci.send(std::string("position fen ") + fen);
            uci.send("go depth 3");
            const auto lines = uci.until("bestmove");
            ASSERT_GE(lines.size(), 2u);
            EXPECT_EQ(lines[lines.size() - 2], line) << search << ": " << fen;
            EXPECT_EQ(lines.back(), "bestmove 0000") << search << ": " << fen;
        }
    }
}

// A search cut off while a window's re-search was settling the score reports that score as
// the bound it is. Over many node limits, some searches end that way; every bound is marked.
TEST(Uci, ScoresCutOffByAWindowAreMarkedAsBounds) {
    UciSession uci;
    uci.send("setoption name OwnBook value false");
    int bounds = 0;
    for (int64_t nodes = 3000; nodes <= 40000; nodes += 1000) {
        uci.send("ucinewgame");
        uci.send("position fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1");
        uci.send("go nodes " + std::to_string(nodes));
        const auto lines = search_lines(uci.until("bestmove"));
        ASSERT_FALSE(lines.empty());
        for (const auto& line : lines) {
            const auto words = words_of(line);
            const auto score = std::find(words.begin(), words.end(), "score");
            ASSERT_LT(score + 3, words.end()) << line;
            const std::string& after = *(score + 3);
            const bool bound = after == "lowerbound" || after == "upperbound";
            // Only the line of a cut-off search, the last, may be a bound.
            if (bound) {
                EXPECT_EQ(line, lines.back()) << nodes;
            }
            bounds += bound ? 1 : 0;
        }
    }
    EXPECT_GT(bounds, 0);
}

// Promotions in upper case (e7e8Q) are taken in "position" and "searchmoves" like lower case.
TEST(Uci, UpperCasePromotionLettersAreTaken) {
    UciSession uci;
    uci.ready();
    uci.send("position fen 7k/4P3/8/8/8/8/8/K7 w - - 0 1 moves e7e8Q");
    const auto report = uci.ready();
    EXPECT_EQ(report.size(), 1u) << report.front();
    uci.send("go depth 3");
    expect_legal_lines(uci.until("bestmove"), "4Q2k/8/8/8/8/8/8/K7 b - - 0 1", {});
    uci.send("position fen 7k/4P3/8/8/8/8/8/K7 w - - 0 1");
    uci.send("go depth 3 searchmoves e7e8N");
    EXPECT_EQ(best_move_of(uci.until("bestmove")), "e7e8n");
}

} // namespace
