// What interfaces ask of a UCI engine beyond playing: several lines, some moves only, mates,
// pondering, strength levels, the options tools send, and the odd input they send with them,
// through the built vantrek-uci.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "board/game.h"
#include "board/move_text.h"
#include "support/board_helpers.h"
#include "support/uci_session.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test_support::best_move_of;
using test_support::expect_legal_lines;
using test_support::UciSession;
using test_support::words_of;

// White's knight takes the queen that wandered to h4: f3h4 is far better than anything else.
const char* const QUEEN_HANGS = "rnb1kbnr/pppp1ppp/8/4p3/4P2q/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
// 1. Nf6+ gxf6 2. Bxf7 mate.
const char* const MATE_IN_TWO =
    "r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 10";
const char* const SEARCHES[] = {"strong", "classic"};

// The word after `key` in an info line, or "" when there is none.
std::string value_after(const std::string& line, const std::string& key) {
    const auto words = words_of(line);
    for (size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == key) return words[i + 1];
    return "";
}

bool is_search_info(const std::string& line) {
    return line.rfind("info depth ", 0) == 0;
}

// The info and bestmove lines without the words that depend on the clock.
std::vector<std::string> without_timing(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    for (const auto& line : lines) {
        if (line.rfind("info string", 0) == 0) continue;
        std::string text;
        const auto words = words_of(line);
        for (size_t i = 0; i < words.size(); ++i) {
            if ((words[i] == "time" || words[i] == "nps") && i + 1 < words.size()) {
                ++i;
                continue;
            }
            text += words[i] + " ";
        }
        kept.push_back(text);
    }
    return kept;
}

int64_t milliseconds_since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// Every option line of the handshake, as declared.
TEST(Uci, HandshakeDeclaresTheOptionsToolsSet) {
    UciSession uci;
    // An interface that tries the xboard protocol first: both lines are ignored.
    uci.send("xboard");
    uci.send("protover 2");
    uci.send("uci");
    const auto lines = uci.until("uciok");
    for (const auto& line : lines)
        EXPECT_TRUE(line.rfind("id ", 0) == 0 || line.rfind("option ", 0) == 0 ||
                    line.rfind("info string ", 0) == 0 || line == "uciok")
            << line;
    for (const char* declared : {
             "option name Clear Hash type button",
             "option name Threads type spin default 1 min 1 max 256",
             "option name MultiPV type spin default 1 min 1 max 218",
             "option name Ponder type check default false",
             "option name Move Overhead type spin default 20 min 0 max 5000",
             "option name UCI_ShowWDL type check default false",
             "option name UCI_LimitStrength type check default false",
             "option name UCI_Elo type spin default 1600 min 800 max 2400",
             "option name Strength Seed type spin default 0 min 0 max 2147483647",
             "option name UCI_AnalyseMode type check default false",
             "option name UCI_Opponent type string default <empty>",
         })
        EXPECT_NE(std::find(lines.begin(), lines.end(), declared), lines.end()) << declared;
}

// MultiPV 3 on a position with one move far better: at every depth three lines, numbered in
// order, best first, three different moves, the best one first; the answer is line 1's move.
TEST(Uci, MultiPvReportsTheBestLinesInOrder) {
    for (const char* search : SEARCHES) {
        UciSession uci;
        uci.send(std::string("setoption name Search value ") + search);
        uci.send("setoption name MultiPV value 3");
        uci.send(std::string("position fen ") + QUEEN_HANGS);
        uci.send("go depth 5");
        const auto lines = uci.until("bestmove");
        expect_legal_lines(lines, QUEEN_HANGS, {});
        std::vector<std::string> depth_lines;
        int depths = 0;
        for (const auto& line : lines) {
            if (!is_search_info(line)) continue;
            depth_lines.push_back(line);
            if (depth_lines.size() < 3) continue;
            ++depths;
            std::set<std::string> moves;
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(value_after(depth_lines[k], "multipv"), std::to_string(k + 1)) << search;
                EXPECT_EQ(value_after(depth_lines[k], "depth"),
                          value_after(depth_lines[0], "depth"));
                moves.insert(value_after(depth_lines[k], "pv"));
                if (k > 0) {
                    EXPECT_GE(std::stoi(value_after(depth_lines[k - 1], "cp")),
                              std::stoi(value_after(depth_lines[k], "cp")))
                        << search << ": " << depth_lines[k];
                }
            }
            EXPECT_EQ(moves.size(), 3u) << search;
            EXPECT_EQ(value_after(depth_lines[0], "pv"), "f3h4") << search;
            EXPECT_GT(std::stoi(value_after(depth_lines[0], "cp")),
                      std::stoi(value_after(depth_lines[1], "cp")) + 400)
                << search;
            depth_lines.clear();
        }
        EXPECT_EQ(depths, 5) << search;
        EXPECT_EQ(best_move_of(lines), "f3h4") << search;

        // More lines than the position has moves: every legal move once.
        uci.send("setoption name MultiPV value 200");
        uci.send("position fen 7k/8/8/8/8/8/8/K7 w - - 0 1");
        uci.send("go depth 2");
        int lines_at_depth_2 = 0;
        for (const auto& line : uci.until("bestmove"))
            if (value_after(line, "depth") == "2") ++lines_at_depth_2;
        EXPECT_EQ(lines_at_depth_2, 3) << search;
    }
}

// MultiPV 1 is no option at all: the same lines and the same move as without it.
TEST(Uci, MultiPvOneSearchesExactlyAsWithoutTheOption) {
    const char* fen = "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";
    for (const char* search : SEARCHES) {
        std::vector<std::string> outputs[2];
        for (int with_option = 0; with_option < 2; ++with_option) {
            UciSession uci;
            // The outputs are compared node for node: one thread.
            uci.send("setoption name Threads value 1");
            uci.send(std::string("setoption name Search value ") + search);
            if (with_option) uci.send("setoption name MultiPV value 1");
            uci.send(std::string("position fen ") + fen);
            uci.send("go depth 6");
            outputs[with_option] = without_timing(uci.until("bestmove"));
            uci.send("go nodes 30000");
            const auto more = without_timing(uci.until("bestmove"));
            outputs[with_option].insert(outputs[with_option].end(), more.begin(), more.end());
        }
        EXPECT_EQ(outputs[0], outputs[1]) << search;
        EXPECT_EQ(outputs[0][0].find("multipv"), std::string::npos);
    }
}

// searchmoves: only the moves named are searched, in every line; one that is not legal is
// reported and left out; with fewer moves than lines, one line a move.
TEST(Uci, SearchMovesRestrictsTheRoot) {
    for (const char* search : SEARCHES) {
        UciSession uci;
        uci.send(std::string("setoption name Search value ") + search);
        uci.send(std::string("position fen ") + QUEEN_HANGS);
        uci.ready();
        uci.send("go depth 4 searchmoves a2a3 h2h4 e7e5");
        auto lines = uci.until("bestmove");
        EXPECT_NE(std::find(lines.begin(), lines.end(),
                            "info string searchmoves: e7e5 is not a legal move here; left out"),
                  lines.end());
        for (const auto& line : lines) {
            if (!is_search_info(line)) continue;
            EXPECT_TRUE(value_after(line, "pv") == "a2a3" || value_after(line, "pv") == "h2h4")
                << search << ": " << line;
        }
        EXPECT_TRUE(best_move_of(lines) == "a2a3" || best_move_of(lines) == "h2h4") << search;

        uci.send("setoption name MultiPV value 5");
        uci.send("go depth 3 searchmoves d2d4 f3h4");
        lines = uci.until("bestmove");
        int at_depth_3 = 0;
        for (const auto& line : lines)
            if (value_after(line, "depth") == "3") ++at_depth_3;
        EXPECT_EQ(at_depth_3, 2) << search;
        EXPECT_EQ(best_move_of(lines), "f3h4") << search;
    }
}

// "go mate 2" on a mate in two: the mate, reported as such, and the search ends by itself.
TEST(Uci, GoMateFindsAMateInTwoAndStops) {
    for (const char* search : SEARCHES) {
        UciSession uci;
        uci.send(std::string("setoption name Search value ") + search);
        uci.send(std::string("position fen ") + MATE_IN_TWO);
        uci.send("go mate 2");
        const auto lines = uci.until("bestmove", milliseconds(10000));
        EXPECT_EQ(best_move_of(lines), "d5f6") << search;
        ASSERT_GE(lines.size(), 2u);
        EXPECT_NE(lines[lines.size() - 2].find(" score mate 2 "), std::string::npos)
            << search << ": " << lines[lines.size() - 2];
        EXPECT_LE(std::stoi(value_after(lines[lines.size() - 2], "depth")), 5) << search;
    }
}

// Pondering: no answer while the engine thinks on the opponent's time, whatever it finds;
// "ponderhit" turns it into a timed search that counts the time already spent, "stop" ends it
// at once; the answer names the reply it expects when asked to. The bounds leave seconds for a
// loaded machine: each stands between an answer at once and one a whole allotment later.
TEST(Uci, PonderPonderhitAndStop) {
    for (const char* search : SEARCHES) {
        UciSession uci;
        uci.send(std::string("setoption name Search value ") + search);
        uci.send("setoption name Ponder value true");
        uci.send("setoption name OwnBook value false");
        uci.send("position startpos moves e2e4 e7e5");
        uci.ready();

        // A ponder search that ends by itself (its depth) still waits for the word.
        uci.send("go ponder depth 3");
        std::vector<std::string> lines;
        EXPECT_FALSE(uci.process().read_until("bestmove", milliseconds(700), &lines)) << search;
        uci.send("ponderhit");
        lines = uci.until("bestmove", milliseconds(10000));
        auto words = words_of(lines.back());
        ASSERT_EQ(words.size(), 4u) << search << ": " << lines.back();
        EXPECT_EQ(words[2], "ponder");
        test_support::set_up(test_support::START_FEN);
        test_support::play_all({"e2e4", "e7e5", words[1]});
        Move reply;
        EXPECT_TRUE(parse_user_move(words[3].c_str(), reply)) << words[3];

        // Two seconds a move, and more than that pondered: the ponderhit is answered at once,
        // not two seconds later.
        uci.send("go ponder movetime 2000");
        std::this_thread::sleep_for(milliseconds(2500));
        EXPECT_FALSE(uci.process().read_until("bestmove", milliseconds(1), &lines)) << search;
        auto start = Clock::now();
        uci.send("ponderhit");
        lines = uci.until("bestmove", milliseconds(10000));
        EXPECT_LT(milliseconds_since(start), 1200) << search;
        expect_legal_lines(lines, test_support::START_FEN, {"e2e4", "e7e5"});

        // On a long clock the timed search goes on after the ponderhit, and ends by itself.
        uci.send("go ponder wtime 120000 btime 120000");
        std::this_thread::sleep_for(milliseconds(200));
        uci.send("ponderhit");
        EXPECT_FALSE(uci.process().read_until("bestmove", milliseconds(300), &lines)) << search;
        lines = uci.until("bestmove", milliseconds(30000));

        // "stop" while pondering answers at once.
        uci.send("go ponder wtime 600000 btime 600000");
        std::this_thread::sleep_for(milliseconds(300));
        start = Clock::now();
        uci.send("stop");
        lines = uci.until("bestmove", milliseconds(10000));
        EXPECT_LT(milliseconds_since(start), 1500) << search;
        expect_legal_lines(lines, test_support::START_FEN, {"e2e4", "e7e5"});
    }
}

// Move Overhead comes off the time a move may take.
TEST(Uci, MoveOverheadShortensTheAllotment) {
    for (const char* search : SEARCHES) {
        UciSession uci;
        uci.send(std::string("setoption name Search value ") + search);
        uci.send("setoption name OwnBook value false");
        uci.send("position startpos");
        // How long "go" takes, from sending it to the answer.
        auto took = [&uci](const char* go) {
            uci.ready();
            const auto start = Clock::now();
            uci.send(go);
            uci.until("bestmove", milliseconds(20000));
            return milliseconds_since(start);
        };
        EXPECT_GE(took("go movetime 2000"), 1900) << search;
        const int64_t on_the_clock = took("go wtime 60000 btime 60000");

        uci.send("setoption name Move Overhead value 1500");
        const int64_t shortened = took("go movetime 2000");
        EXPECT_GE(shortened, 400) << search;
        EXPECT_LT(shortened, 1500) << search;

        // On the clock too: an overhead longer than the share of a move leaves no time to think.
        uci.send("setoption name Move Overhead value 5000");
        EXPECT_LT(took("go wtime 60000 btime 60000"), on_the_clock / 2) << search;
    }
}

// Clear Hash: a search after it builds the same tree as the first one did, where a search with
// what the first one learnt still in the table and the histories builds another one (smaller or
// larger: a warm table shortens some searches, and histories learnt at the root's end can
// lengthen others).
TEST(Uci, ClearHashForgetsWhatTheSearchLearnt) {
    for (const char* search : SEARCHES) {
        UciSession uci;
        // The trees are compared node for node: one thread.
        uci.send("setoption name Threads value 1");
        uci.send(std::string("setoption name Search value ") + search);
        uci.send("position fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - "
                 "0 10");
        const std::string go = search == std::string("strong") ? "go depth 10" : "go depth 6";
        int64_t nodes[3];
        for (int round = 0; round < 3; ++round) {
            if (round == 2) uci.send("setoption name clear  hash");
            uci.send(go);
            const auto lines = uci.until("bestmove");
            ASSERT_GE(lines.size(), 2u);
            nodes[round] = std::stoll(value_after(lines[lines.size() - 2], "nodes"));
        }
        EXPECT_NE(nodes[1], nodes[0]) << search;
        EXPECT_EQ(nodes[2], nodes[0]) << search;
    }
}

// The moves of one session at a strength level, from a few positions.
std::vector<std::string> level_moves(const std::vector<std::string>& settings) {
    static const char* const FENS[] = {
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
        "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
        "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
        "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2PP1N2/PP3PPP/RNBQ1RK1 w - - 0 7",
        "r2q1rk1/pp2bppp/2n1pn2/3p4/3P4/2NBPN2/PP3PPP/R2Q1RK1 b - - 0 10",
        "2r2rk1/pp3ppp/2n1p3/3q4/3P4/P4N2/1P3PPP/R2QR1K1 w - - 0 18",
    };
    UciSession uci;
    for (const auto& setting : settings)
        uci.send(setting);
    std::vector<std::string> moves;
    for (const char* fen : FENS) {
        uci.send(std::string("position fen ") + fen);
        uci.send("go wtime 60000 btime 60000");
        const auto lines = uci.until("bestmove");
        expect_legal_lines(lines, fen, {});
        moves.push_back(best_move_of(lines));
    }
    return moves;
}

// A strength level plays legal moves, the same ones for the same seed, other ones for another
// seed and, at the lowest level, moves the full strength would not play.
TEST(Uci, StrengthLevelsChooseLegallyAndReproducibly) {
    const std::vector<std::string> level = {"setoption name UCI_LimitStrength value true",
                                            "setoption name UCI_Elo value 800",
                                            "setoption name Strength Seed value 7"};
    const auto first = level_moves(level);
    EXPECT_EQ(level_moves(level), first);
    auto other_seed = level;
    other_seed[2] = "setoption name Strength Seed value 8";
    EXPECT_NE(level_moves(other_seed), first);
    auto full = level;
    full[0] = "setoption name UCI_LimitStrength value false";
    EXPECT_NE(level_moves(full), first);
}

// Every odd setoption an interface or a person may send: the name in any case and spacing,
// no value, a value out of range or of the wrong kind, no name, an unknown name. Each refusal
// is an info string, the engine carries on, and the values it took are in force.
TEST(Uci, OddSetoptionLinesAreHandledAsUciSays) {
    UciSession uci;
    uci.ready();
    const std::pair<const char*, const char*> exchanges[] = {
        {"setoption name multipv", "info string MultiPV needs a value; it stays 1"},
        {"setoption name MultiPV value three",
         "info string MultiPV needs a whole number from 1 to 218; it stays 1"},
        {"setoption name MultiPV value 2.5",
         "info string MultiPV needs a whole number from 1 to 218; it stays 1"},
        {"setoption name  multiPV   value  0", "info string MultiPV is 1 to 218; set to 1"},
        {"setoption name Move   OVERHEAD value 99999",
         "info string Move Overhead is 0 to 5000; set to 5000"},
        {"setoption name Threads value 0", "info string Threads is 1 to 256; set to 1"},
        {"setoption name Ponder value yes", "info string Ponder is true or false; it stays false"},
        {"setoption name UCI_Elo value -5", "info string UCI_Elo is 800 to 2400; set to 800"},
        {"setoption name Search value", "info string Search needs a value; it stays strong"},
        {"setoption", "info string setoption needs: setoption name <name> [value <value>]"},
        {"setoption value 3", "info string setoption needs: setoption name <name> [value <value>]"},
        {"setoption name", "info string setoption needs a name"},
        {"setoption name Colour value blue", "info string unknown option Colour"},
    };
    for (const auto& [line, answer] : exchanges) {
        uci.send(line);
        uci.send("isready");
        const auto lines = uci.until("readyok");
        ASSERT_EQ(lines.size(), 2u) << line;
        EXPECT_EQ(lines[0], answer);
    }
    // Taken silently: the right values in any case, a button, the options tools just set.
    for (const char* line :
         {"setoption name MULTIPV value 2", "setoption name move overhead value 0",
          "setoption name uci_showwdl value TRUE", "setoption name Clear Hash",
          "setoption name Clear Hash value now", "setoption name Threads value 1",
          "setoption name UCI_AnalyseMode value true",
          "setoption name UCI_Opponent value GM 2800 human Some One",
          "setoption name UCI_Opponent value", "setoption name Search value CLASSIC"}) {
        uci.send(line);
        uci.send("isready");
        EXPECT_EQ(uci.until("readyok").size(), 1u) << line;
    }
    // Two lines a depth with their win/draw/loss, the classic search, and the book set aside
    // by the analysis mode although the initial position is in it.
    uci.send("position startpos");
    uci.send("go depth 3");
    const auto lines = uci.until("bestmove");
    int at_depth_3 = 0;
    for (const auto& line : lines) {
        EXPECT_NE(line, "info string book move");
        if (!is_search_info(line)) continue;
        at_depth_3 += value_after(line, "depth") == "3";
        const auto words = words_of(line);
        const auto wdl = std::find(words.begin(), words.end(), "wdl");
        ASSERT_TRUE(wdl != words.end() && words.end() - wdl > 3) << line;
        EXPECT_EQ(std::stoi(wdl[1]) + std::stoi(wdl[2]) + std::stoi(wdl[3]), 1000) << line;
    }
    EXPECT_EQ(at_depth_3, 2);
}

// A book that cannot be opened or has no readable entry count is reported once; the engine
// plays on without it, and takes a good book again when told to.
TEST(Uci, DamagedOrUnreadableBooksAreSetAside) {
    UciSession uci({{"cut.book", "abc"}, {"zero.book", std::string(4, '\0')}});
    // No shipped book beside the engine is no fault: nothing to report.
    uci.ready();
    uci.send("position startpos");
    uci.send("go depth 1");
    for (const auto& line : uci.until("bestmove"))
        EXPECT_EQ(line.rfind("info string", 0), std::string::npos) << line;
    for (const std::string& book :
         {std::string("/dev/null"), std::string("cut.book"), std::string("zero.book"),
          std::string("missing.book"), uci.directory()}) {
        uci.ready();
        uci.send("setoption name BookFile value " + book);
        uci.send("position startpos");
        uci.send("go depth 2");
        auto lines = uci.until("bestmove");
        ASSERT_EQ(lines[0].rfind("info string " + book, 0), 0u) << book << ": " << lines[0];
        EXPECT_NE(lines[0].find("playing without a book"), std::string::npos) << lines[0];
        expect_legal_lines(lines, test_support::START_FEN, {});
        uci.send("go depth 2");
        lines = uci.until("bestmove");
        for (const auto& line : lines)
            EXPECT_EQ(line.rfind("info string", 0), std::string::npos) << book << ": " << line;
    }
    uci.send(std::string("setoption name BookFile value ") + VANTREK_SOURCE_DIR + "/Vantrek.book");
    uci.send("go depth 2");
    const auto lines = uci.until("bestmove");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "info string book move"), lines.end());
}

// Clocks an interface may send: a negative time, or none for the side to move, is very little
// time, never none at all; without a legal move the answer is 0000.
TEST(Uci, OddClocksStillGetAMove) {
    UciSession uci;
    uci.send("setoption name OwnBook value false");
    uci.send("position startpos moves e2e4");
    uci.ready();
    for (const char* go : {"go wtime 5000 btime -100", "go wtime 5000", "go binc 100",
                           "go movestogo 10", "go btime -1 winc -5 binc -5"}) {
        const auto start = Clock::now();
        uci.send(go);
        const auto lines = uci.until("bestmove", milliseconds(10000));
        EXPECT_LT(milliseconds_since(start), 1500) << go;
        expect_legal_lines(lines, test_support::START_FEN, {"e2e4"});
    }
    uci.send("position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"); // stalemate
    uci.send("go wtime 1000 btime 1000");
    EXPECT_EQ(best_move_of(uci.until("bestmove")), "0000");
}

// "vantrek-uci bench [depth]" on the command line: the frameworks' two totals, then it exits.
TEST(UciBench, PrintsTheNodesAndTheSpeedAndExits) {
    test_support::TempDir directory;
    auto result = test_support::run_program(VANTREK_UCI, {"bench", "3"}, "", directory.path());
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_NE(result.out.find("\nNodes searched  : "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\nNodes/second    : "), std::string::npos) << result.out;
    for (const char* bad : {"0", "31", "deep"}) {
        result = test_support::run_program(VANTREK_UCI, {"bench", bad}, "", directory.path());
        EXPECT_EQ(result.exit_status, 2) << bad;
        EXPECT_FALSE(result.err.empty()) << bad;
    }
    // On two threads: each position's time, then the separator, the totals and the evaluation.
    result = test_support::run_program(VANTREK_UCI, {"bench", "4", "2"}, "", directory.path());
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_NE(result.out.find("position  1: "), std::string::npos) << result.out;
    const std::regex timed_position("position +[0-9]+: [0-9]+ nodes [0-9]+ ms\n");
    EXPECT_EQ(
        std::distance(std::sregex_iterator(result.out.begin(), result.out.end(), timed_position),
                      std::sregex_iterator()),
        std::count(result.out.begin(), result.out.end(), '\n') - 5)
        << result.out;
    EXPECT_NE(result.out.find("\nNodes searched  : "), std::string::npos) << result.out;
    for (const char* bad : {"0", "257", "two"}) {
        result = test_support::run_program(VANTREK_UCI, {"bench", "4", bad}, "", directory.path());
        EXPECT_EQ(result.exit_status, 2) << bad;
        EXPECT_FALSE(result.err.empty()) << bad;
    }
}

} // namespace
