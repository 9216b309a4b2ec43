// The network options of the UCI engine: EvalFile loads another network and refuses a file it
// cannot use, keeping the one it has; "Use NNUE" gives the strong search the hand-written
// evaluation instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "nnue/network.h"
#include "support/uci_session.h"

namespace {

using test_support::UciSession;
using test_support::words_of;

std::string network_file(int32_t hidden, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> first(-60, 60), output(-126, 126);
    Network network;
    network.hidden = hidden;
    for (int i = 0; i < NNUE_INPUTS * hidden; ++i)
        network.l1_weights.push_back(static_cast<int16_t>(first(random)));
    for (int i = 0; i < hidden; ++i)
        network.l1_bias.push_back(static_cast<int16_t>(first(random)));
    for (int i = 0; i < 2 * hidden; ++i)
        network.out_weights.push_back(static_cast<int16_t>(output(random)));
    const std::vector<uint8_t> bytes = network_file_bytes(network);
    return std::string(bytes.begin(), bytes.end());
}

// The info lines of a search without the words the clock decides.
std::string tree_of(const std::vector<std::string>& lines) {
    std::string tree;
    for (const auto& line : lines) {
        if (line.rfind("info depth", 0) != 0) continue;
        const auto words = words_of(line);
        for (size_t i = 0; i < words.size(); ++i) {
            if (words[i] == "time" || words[i] == "nps") {
                ++i;
                continue;
            }
            tree += words[i] + " ";
        }
    }
    return tree + lines.back();
}

// A fresh game's search of `moves` from the start to `depth`, as its tree.
std::string fresh_search(UciSession& uci, const std::string& moves, int depth) {
    uci.send("ucinewgame");
    uci.send("position startpos moves " + moves);
    uci.send("go depth " + std::to_string(depth));
    return tree_of(uci.until("bestmove"));
}

TEST(Uci, EvalFileLoadsNetworksAndRefusesFilesItCannotUse) {
    const std::string good = network_file(32, 3);
    const std::string other = network_file(32, 4);
    std::string damaged = good;
    damaged[200] ^= 0x40;
    UciSession uci({{"good.nnue", good},
                    {"other.nnue", other},
                    {"cut.nnue", good.substr(0, good.size() - 10)},
                    {"damaged.nnue", damaged},
                    {"text.nnue", "BLOCKED_CENTER_PAWN=3\n"}});
    // The trees are compared node for node: one thread.
    uci.send("setoption name Threads value 1");
    uci.send("setoption name OwnBook value false");
    uci.ready();
    auto search = [&] { return fresh_search(uci, "e2e4 c7c5", 6); };
    uci.send("setoption name EvalFile value good.nnue");
    auto report = uci.ready();
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[0], "info string network good.nnue loaded (32 hidden units)");
    const std::string with_good = search();

    // Files it cannot use: reported, and the network in use stays.
    for (const auto& [name, reason] :
         std::vector<std::pair<std::string, std::string>>{{"missing.nnue", "cannot be opened"},
                                                          {"cut.nnue", "size"},
                                                          {"damaged.nnue", "checksum"},
                                                          {"text.nnue", "not a network"}}) {
        uci.send("setoption name EvalFile value " + name);
        report = uci.ready();
        ASSERT_EQ(report.size(), 2u) << name;
        EXPECT_NE(report[0].find(reason), std::string::npos) << report[0];
        EXPECT_NE(report[0].find("the network in use stays"), std::string::npos) << report[0];
        EXPECT_EQ(search(), with_good) << name;
    }

    // Another network searches another tree; so does the hand-written evaluation, and back.
    uci.send("setoption name EvalFile value other.nnue");
    uci.ready();
    EXPECT_NE(search(), with_good);
    uci.send("setoption name EvalFile value good.nnue");
    uci.send("setoption name Use NNUE value false");
    uci.ready();
    const std::string hand_written = search();
    EXPECT_NE(hand_written, with_good);
    uci.send("setoption name Search value classic");
    uci.send("setoption name Use NNUE value true");
    uci.ready();
    EXPECT_NE(search(), with_good); // the classic search keeps the hand-written evaluation
    uci.send("setoption name Search value strong");
    uci.ready();
    EXPECT_EQ(search(), with_good);
}

// A strength level plays with the hand-written evaluation, on whose games its rating scale was
// measured: the same tree as with "Use NNUE" off, whatever that option says, and the network
// back when the level is off.
TEST(Uci, StrengthLevelsKeepTheHandWrittenEvaluation) {
    UciSession uci;
    // The trees are compared node for node: one thread.
    uci.send("setoption name Threads value 1");
    uci.send("setoption name OwnBook value false");
    uci.send("setoption name UCI_Elo value 2400");
    uci.ready();
    auto search = [&] { return fresh_search(uci, "d2d4 d7d5 c2c4", 5); };
    const std::string with_network = search();
    uci.send("setoption name UCI_LimitStrength value true");
    uci.ready();
    const std::string level = search();
    uci.send("setoption name Use NNUE value false");
    uci.ready();
    EXPECT_EQ(search(), level);
    uci.send("setoption name UCI_LimitStrength value false");
    uci.ready();
    const std::string hand_written = search();
    uci.send("setoption name Use NNUE value true");
    uci.ready();
    EXPECT_EQ(search(), with_network);
    EXPECT_NE(level, with_network);
    EXPECT_NE(hand_written, with_network);
}

// With the network the engine still wins the endings against a bare king: playing both sides at
// 20000 nodes a move, the queen or the rook mates within 50 moves, from either side.
TEST(Uci, TheNetworkEngineMatesABareKing) {
    UciSession uci;
    uci.send("setoption name OwnBook value false");
    uci.ready();
    // Each position, and whether the strong side moves first (then the bare king is mated
    // after an odd number of moves).
    const std::vector<std::pair<std::string, bool>> endings = {
        {"8/8/8/4k3/8/8/8/3QK3 w - - 0 1", true},
        {"8/8/8/4k3/8/8/8/R3K3 w - - 0 1", true},
        {"r3k3/8/8/8/3K4/8/8/8 b - - 0 1", true},
        {"8/1k6/8/8/8/8/6K1/r7 w - - 0 1", false}};
    for (const auto& [fen, strong_side_first] : endings) {
        std::string moves;
        bool mated = false;
        for (int ply = 0; ply < 100 && !mated; ++ply) {
            uci.send("position fen " + fen + (moves.empty() ? "" : " moves" + moves));
            uci.send("go nodes 20000");
            const auto lines = uci.until("bestmove");
            const std::string best = test_support::best_move_of(lines);
            if (best == "0000") {
                // The side to move has no move: it must be the bare king, mated.
                mated = std::find(lines.begin(), lines.end(), "info depth 0 score mate 0") !=
                        lines.end();
                EXPECT_TRUE(mated) << fen << moves << ": stalemate";
                EXPECT_EQ(ply % 2 == 1, strong_side_first)
                    << fen << moves << ": the wrong side mated";
                break;
            }
            moves += " " + best;
        }
        EXPECT_TRUE(mated) << fen << ": no mate in 50 moves:" << moves;
        uci.send("ucinewgame");
    }
}

} // namespace
