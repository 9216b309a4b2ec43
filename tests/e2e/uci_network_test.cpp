// The network options of the UCI engine: EvalFile loads another network and refuses a file it
// cannot use, keeping the one it has; "Use NNUE" gives the strong search the hand-written
// evaluation instead.
#include <gtest/gtest.h>

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
    uci.send("setoption name OwnBook value false");
    uci.ready();
    auto search = [&] {
        uci.send("ucinewgame");
        uci.send("position startpos moves e2e4 c7c5");
        uci.send("go depth 6");
        return tree_of(uci.until("bestmove"));
    };
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
    uci.send("setoption name OwnBook value false");
    uci.send("setoption name UCI_Elo value 2400");
    uci.ready();
    auto search = [&] {
        uci.send("ucinewgame");
        uci.send("position startpos moves d2d4 d7d5 c2c4");
        uci.send("go depth 5");
        return tree_of(uci.until("bestmove"));
    };
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

} // namespace
