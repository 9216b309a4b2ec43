// The UCI front end driven through its standard streams, as a UCI interface drives it.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "board/game.h"
#include "board/move_text.h"
#include "search/strong/time_management.h"
#include "support/board_helpers.h"
#include "support/engine_process.h"
#include "support/uci_session.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test_support::ChildProcess;
using test_support::TempDir;

using test_support::best_move_of;
using test_support::expect_legal_lines;
using test_support::UciSession;
using test_support::words_of;

const char* const START = test_support::START_FEN;

TEST(Uci, HandshakeNamesTheEngineAndEveryOption) {
    UciSession uci;
    uci.send("uci");
    const auto lines = uci.until("uciok");
    auto has = [&](const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    };
    EXPECT_TRUE(has("id name Vantrek " VANTREK_VERSION));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("id author ", 0) == 0; }));
    EXPECT_TRUE(has("option name Hash type spin default 16 min 1 max 1048576"));
    EXPECT_TRUE(has("option name OwnBook type check default true"));
    EXPECT_TRUE(has("option name BookFile type string default Vantrek.book"));
    EXPECT_TRUE(has("option name ParameterFile type string default kelmora.ini"));
    EXPECT_TRUE(has("option name Search type combo default strong var strong var classic"));
    // The engine's identity comes first and alone: interfaces take everything before "uciok"
    // for it. The weight file's echo follows "uciok".
    EXPECT_EQ(lines.front(), "id name Vantrek " VANTREK_VERSION);
    for (const auto& line : lines)
        EXPECT_TRUE(line.rfind("id ", 0) == 0 || line.rfind("option ", 0) == 0 || line == "uciok")
            << line;
    uci.send("isready");
    const auto after = uci.until("readyok");
    EXPECT_EQ(after.front(), "info string Kelmora.ini not found!");
    for (size_t i = 0; i + 1 < after.size(); ++i)
        EXPECT_EQ(after[i].rfind("info string ", 0), 0u) << after[i];
}

TEST(Uci, PositionsWithMovesAndSearchesFromThem) {
    UciSession uci;
    uci.send("go depth 3"); // before any position: the initial one
    expect_legal_lines(uci.until("bestmove"), START, {});

    uci.send("position startpos moves e2e4 e7e5 g1f3");
    uci.send("go depth 4");
    expect_legal_lines(uci.until("bestmove"), START, {"e2e4", "e7e5", "g1f3"});

    const char* fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    uci.send(std::string("position fen ") + fen + " moves e1g1 a6e2");
    uci.send("go depth 4");
    expect_legal_lines(uci.until("bestmove"), fen, {"e1g1", "a6e2"});
}

TEST(Uci, MateInOneIsReportedAsMateOne) {
    UciSession uci;
    uci.send("position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
    uci.send("go depth 5");
    const auto lines = uci.until("bestmove");
    EXPECT_EQ(best_move_of(lines), "d1d8");
    EXPECT_NE(lines[lines.size() - 2].find(" score mate 1 "), std::string::npos)
        << lines[lines.size() - 2];
    // And from the mated side: no legal move at all.
    uci.send("position fen 3R2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1");
    uci.send("go depth 3");
    EXPECT_EQ(best_move_of(uci.until("bestmove")), "0000");
}

TEST(Uci, DepthLimitStopsAtThatDepth) {
    UciSession uci;
    uci.send("position startpos");
    uci.send("go depth 5");
    const auto lines = uci.until("bestmove");
    int deepest = 0;
    for (const auto& line : lines) {
        const auto words = words_of(line);
        if (words.size() > 2 && words[0] == "info" && words[1] == "depth")
            deepest = std::max(deepest, std::stoi(words[2]));
    }
    EXPECT_EQ(deepest, 5);
    expect_legal_lines(lines, START, {});
}

TEST(Uci, MoveTimeIsHonouredAndStopAnswersAtOnce) {
    UciSession uci;
    uci.send("position startpos moves d2d4");
    uci.send("isready");
    uci.until("readyok");

    auto start = Clock::now();
    uci.send("go movetime 500");
    auto lines = uci.until("bestmove", milliseconds(5000));
    auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
    EXPECT_GE(took, 450);
    EXPECT_LE(took, 600);
    expect_legal_lines(lines, START, {"d2d4"});

    // An infinite search answers "isready" while it thinks and stops on "stop".
    uci.send("go infinite");
    uci.process().read_line(milliseconds(300)); // let it think a while
    std::this_thread::sleep_for(milliseconds(300));
    start = Clock::now();
    uci.send("isready");
    uci.until("readyok", milliseconds(1000));
    took = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
    EXPECT_LE(took, 50);
    start = Clock::now();
    uci.send("stop");
    lines = uci.until("bestmove", milliseconds(2000));
    took = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
    EXPECT_LE(took, 50);
    EXPECT_FALSE(best_move_of(lines).empty());

    // "go" and "stop" sent together: the search still ends.
    uci.send("go infinite");
    uci.send("stop");
    EXPECT_FALSE(best_move_of(uci.until("bestmove", milliseconds(2000))).empty());
}

TEST(Uci, ClockTimeAndNodeLimits) {
    UciSession uci;
    uci.send("position startpos");
    auto start = Clock::now();
    uci.send("go wtime 2000 btime 2000 winc 100 binc 100");
    uci.until("bestmove", milliseconds(3000));
    auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
    EXPECT_LE(took, 1950); // never the whole clock

    // Almost no time left: a move all the same, well inside the clock.
    start = Clock::now();
    uci.send("go wtime 30 btime 5000");
    EXPECT_FALSE(best_move_of(uci.until("bestmove", milliseconds(2000))).empty());
    took = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
    EXPECT_LE(took, 100);

    uci.send("go nodes 200000");
    const auto lines = uci.until("bestmove", milliseconds(20000));
    int64_t nodes = 0;
    for (const auto& line : lines) {
        const auto words = words_of(line);
        const auto at = std::find(words.begin(), words.end(), "nodes");
        if (at != words.end() && at + 1 != words.end()) nodes = std::stoll(*(at + 1));
    }
    EXPECT_GT(nodes, 0);
    EXPECT_LE(nodes, 200000 + 50000); // the count is looked at every few thousand nodes
}

// A search cut off inside an iteration (here by its node limit) must not cut short the next
// one: at a root that is already a threefold repetition every iteration reports a draw and no
// move, and all of them are reported.
TEST(Uci, ASearchAfterOneThatWasCutOffReportsEveryDepth) {
    UciSession uci;
    uci.send("position startpos");
    uci.send("go nodes 30000");
    uci.until("bestmove");
    // The root stands for the third time. The interface adjudicates draws, so the engine
    // searches it like any other position and answers with a move.
    uci.send("position startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8");
    uci.send("go depth 6");
    const auto lines = uci.until("bestmove");
    std::vector<int> depths;
    for (const auto& line : lines) {
        const auto words = words_of(line);
        if (words.size() > 5 && words[0] == "info" && words[1] == "depth" &&
            (depths.empty() || depths.back() != std::stoi(words[2])))
            depths.push_back(std::stoi(words[2]));
    }
    EXPECT_EQ(depths, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    const std::string best = best_move_of(lines);
    EXPECT_TRUE(best.size() == 4 && best != "0000") << best;
}

// A position the engine cannot take is reported, and no move is given for the position
// before it, which the interface no longer shows: every "go" is answered 0000 until a good
// position comes.
TEST(Uci, UnusablePositionsAreReportedAndNeverSearched) {
    UciSession uci;
    for (const char* bad :
         {"position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",
          "position fen 4k3/8/8/8/8/8/8/8 w - - 0 1", "position fen P3k3/8/8/8/8/8/8/4K3 w - - 0 1",
          "position fen 4k3/8/8/8/8/8/8/4K3 x - - 0 1",
          "position fen 4k3/8/8/8/8/8/8/4RK2 w - - 0 1", // the side not to move is in check
          "position fen QQQQkQQQ/QQQQQQQQ/QQ6/8/8/8/8/4K3 w - - 0 1", "position fen", "position",
          "position startpos moves e2e4 e2e4 d7d5", "position startpos moves e2e4 e7e6 e4e6"}) {
        uci.send("position startpos moves e2e4");
        uci.send(bad);
        for (const char* go : {"go depth 2", "go wtime 1000 btime 1000 searchmoves e7e5"}) {
            uci.send(go);
            const auto lines = uci.until("bestmove");
            EXPECT_EQ(best_move_of(lines), "0000") << bad;
            ASSERT_GE(lines.size(), 2u) << bad;
            EXPECT_EQ(lines[lines.size() - 2].rfind("info string ", 0), 0u) << bad;
            for (const auto& line : lines)
                EXPECT_EQ(line.rfind("info depth", 0), std::string::npos) << bad << ": " << line;
        }
        // An analysis waits for "stop" as ever, then gives no move either.
        uci.send("go infinite");
        std::this_thread::sleep_for(milliseconds(50));
        uci.send("stop");
        EXPECT_EQ(best_move_of(uci.until("bestmove")), "0000") << bad;
    }
    // The next good position is searched again, as is the one after a new game.
    uci.send("position fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    uci.send("go depth 2");
    expect_legal_lines(uci.until("bestmove"), "4k3/8/8/8/8/8/8/4K2R w K - 0 1", {});
    uci.send("position");
    uci.send("ucinewgame");
    uci.send("go depth 2");
    expect_legal_lines(uci.until("bestmove"), START, {});

    // Unknown commands are ignored without an answer.
    uci.send("flip the board");
    uci.send("isready");
    EXPECT_EQ(uci.until("readyok").size(), 1u);
}

// FENs as interfaces send them: only the placement and the side to move, castling rights the
// position cannot have, an en-passant square no pawn passed. The position is taken as meant,
// and what was dropped is said.
TEST(Uci, FensAreTakenAsInterfacesMeanThem) {
    struct Case {
        const char* sent;
        const char* meant;
        const char* note; // part of the info string, or "" for none
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/4P3/4K3 w KQkq - 0 1", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1",
         "castling right K dropped"},
        {"4k3/8/8/8/8/8/4P3/4K3 w", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", ""},
        {"r3k3/8/8/8/8/8/4P3/4K2R b Kk", "r3k3/8/8/8/8/8/4P3/4K2R b K - 0 1",
         "castling right k dropped"},
        {"4k3/8/8/8/3pP3/8/8/4K3 b - e3", "4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1", ""},
        {"4k3/8/8/8/3pP3/8/8/4K3 b - d3 0 1", "4k3/8/8/8/3pP3/8/8/4K3 b - - 0 1",
         "en-passant square d3 dropped"},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - x y", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1",
         "half-move clock x unreadable"},
    };
    UciSession uci;
    uci.ready();
    for (const Case& c : cases) {
        uci.send(std::string("position fen ") + c.sent);
        const auto report = uci.ready();
        const bool noted = report.size() > 1 && report[0].rfind("info string FEN: ", 0) == 0 &&
                           report[0].find(c.note) != std::string::npos;
        EXPECT_EQ(noted, *c.note != '\0') << c.sent;
        uci.send("go depth 3");
        expect_legal_lines(uci.until("bestmove"), c.meant, {});
    }
}

TEST(Uci, OptionsHashBookAndWeights) {
    std::ifstream book(std::string(VANTREK_SOURCE_DIR) + "/Vantrek.book", std::ios::binary);
    const std::string book_bytes((std::istreambuf_iterator<char>(book)),
                                 std::istreambuf_iterator<char>());
    ASSERT_FALSE(book_bytes.empty());
    UciSession uci({{"opening.book", book_bytes}, {"weights.ini", "BLOCKED_CENTER_PAWN=7\n"}});

    // Without the default book file the engine searches; with the other file it plays from it.
    uci.send("position startpos");
    uci.send("go depth 2");
    auto lines = uci.until("bestmove");
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& l) { return l == "info string book move"; }));
    uci.send("setoption name BookFile value opening.book");
    uci.send("go depth 2");
    lines = uci.until("bestmove");
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l) { return l == "info string book move"; }));
    uci.send("setoption name OwnBook value false");
    uci.send("go depth 2");
    lines = uci.until("bestmove");
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& l) { return l == "info string book move"; }));

    // The weight file's echo comes as info strings only.
    uci.send("setoption name ParameterFile value weights.ini");
    uci.send("isready");
    lines = uci.until("readyok");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "info string BLOCKED_CENTER_PAWN=7"),
              lines.end());
    for (const auto& line : lines)
        EXPECT_TRUE(line.rfind("info string ", 0) == 0 || line == "readyok") << line;

    uci.send("setoption name Hash value 64");
    uci.send("setoption name Hash value banana");
    uci.send("setoption name Colour value blue");
    uci.send("go depth 3");
    expect_legal_lines(uci.until("bestmove"), START, {});
}

// The final node count and best move of a depth-limited search.
std::pair<int64_t, std::string> nodes_and_move(const std::vector<std::string>& lines) {
    int64_t nodes = 0;
    for (const auto& line : lines) {
        const auto words = words_of(line);
        const auto at = std::find(words.begin(), words.end(), "nodes");
        if (at != words.end() && at + 1 != words.end()) nodes = std::stoll(*(at + 1));
    }
    return {nodes, best_move_of(lines)};
}

TEST(Uci, SearchOptionChoosesTheStrongOrTheClassicSearch) {
    UciSession uci;
    const char* fen = "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";
    uci.send(std::string("position fen ") + fen);
    // The same search twice gives the same tree; the two searches give different ones.
    uci.send("setoption name Search value classic");
    uci.send("go depth 5");
    const auto classic_lines = uci.until("bestmove");
    expect_legal_lines(classic_lines, fen, {});
    UciSession other;
    other.send(std::string("position fen ") + fen);
    other.send("setoption name Search value Classic");
    other.send("go depth 5");
    EXPECT_EQ(nodes_and_move(other.until("bestmove")), nodes_and_move(classic_lines));
    other.send("setoption name Search value strong");
    other.send("ucinewgame");
    other.send(std::string("position fen ") + fen);
    other.send("go depth 5");
    const auto strong_lines = other.until("bestmove");
    expect_legal_lines(strong_lines, fen, {});
    EXPECT_NE(nodes_and_move(strong_lines).first, nodes_and_move(classic_lines).first);

    // Another value is refused with a word, and the choice stays.
    uci.send("setoption name Search value fastest");
    uci.send("isready");
    const auto lines = uci.until("readyok");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "info string Search is strong or classic; it stays classic");
}

// A game at 1 s + 0.01 s, the strong search playing both sides from the clocks an interface
// would send: no move takes longer than the hard limit of its clock (plus the time a loaded
// machine may take to schedule the engine and pass lines on), and neither clock runs out.
TEST(Uci, StrongSearchKeepsToItsClockAtOneSecondPlusIncrement) {
    UciSession uci;
    uci.send("setoption name OwnBook value false");
    int64_t clock[2] = {1000, 1000};
    std::string moves;
    for (int move_number = 0; move_number < 50; ++move_number) {
        const int side = move_number % 2;
        uci.send("position startpos" + (moves.empty() ? "" : " moves" + moves));
        uci.send("isready");
        uci.until("readyok");
        const TimePlan plan = plan_time(ClockReading{clock[side], 10, 0, -1});
        const auto start = Clock::now();
        uci.send("go wtime " + std::to_string(clock[0]) + " btime " + std::to_string(clock[1]) +
                 " winc 10 binc 10");
        const auto lines = uci.until("bestmove", milliseconds(3000));
        const int64_t took = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
        EXPECT_LE(took, plan.hard + 100) << "move " << move_number << " with " << clock[side];
        clock[side] += 10 - took;
        ASSERT_GT(clock[side], 0) << "move " << move_number;
        const std::string best = best_move_of(lines);
        if (best == "0000") break; // the game is over
        moves += " " + best;
    }
}

TEST(Uci, QuitAndEndOfInputEndTheEngineEvenWhileItThinks) {
    TempDir directory;
    ChildProcess uci(VANTREK_UCI, {}, directory.path());
    uci.send("go infinite");
    std::this_thread::sleep_for(milliseconds(200));
    uci.send("quit");
    EXPECT_EQ(uci.wait_exit(milliseconds(2000)), 0);

    ChildProcess closing(VANTREK_UCI, {}, directory.path());
    closing.send("go infinite");
    std::this_thread::sleep_for(milliseconds(200));
    closing.close_input();
    EXPECT_EQ(closing.wait_exit(milliseconds(2000)), 0);

    // Lines that keep coming after "quit", then the end of input: the input thread still reads
    // and queues them while the engine exits, and must not find its queue destroyed (the
    // sanitizer build reports any use of freed memory and fails the run).
    for (int round = 0; round < 5; ++round) {
        ChildProcess late(VANTREK_UCI, {}, directory.path());
        late.send("quit");
        for (int line = 0; line < 100; ++line) {
            late.send("isready");
            std::this_thread::sleep_for(milliseconds(2));
        }
        late.close_input();
        EXPECT_EQ(late.wait_exit(milliseconds(5000)), 0) << round;
    }
}

} // namespace
