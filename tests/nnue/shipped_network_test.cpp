// The network built into the programs evaluates exactly as the trainer's reference says it must.
// shipped_network_reference.txt was written by the trainer's tools/nnue/reference.py from
// nnue/vantrek.nnue and the checkpoint it was exported from: for each position, the integer
// evaluation the engine must compute and the float network's evaluation, both in centipawns
// from the side to move's view. A new network needs a new file (the command is in its header).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "board/game.h"
#include "nnue/accumulator.h"
#include "nnue/embedded_network.h"
#include "nnue/network.h"
#include "support/board_helpers.h"

namespace {

struct ReferenceLine {
    std::string fen;
    int integer_cp = 0;
    double float_cp = 0;
};

const std::string REFERENCE_FILE =
    std::string(VANTREK_SOURCE_DIR) + "/tests/nnue/shipped_network_reference.txt";
const std::string SHIPPED_NETWORK = std::string(VANTREK_SOURCE_DIR) + "/nnue/vantrek.nnue";

std::vector<ReferenceLine> read_reference() {
    std::ifstream in(REFERENCE_FILE);
    std::vector<ReferenceLine> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t first = line.find('|');
        const size_t second = line.find('|', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        ReferenceLine entry;
        entry.fen = line.substr(0, first);
        while (!entry.fen.empty() && entry.fen.back() == ' ')
            entry.fen.pop_back();
        entry.integer_cp = std::stoi(line.substr(first + 1, second - first - 1));
        entry.float_cp = std::stod(line.substr(second + 1));
        lines.push_back(entry);
    }
    return lines;
}

// The engine's units are 110 to the pawn; the reference speaks centipawns (truncated as the
// engine truncates).
int engine_units(int centipawns) {
    return centipawns * 110 / 100;
}

class ShippedNetwork : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ifstream file(SHIPPED_NETWORK, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
        // A build told to embed another network file has nothing to compare.
        if (bytes.empty() || bytes.size() != EMBEDDED_NETWORK_SIZE ||
            bytes.compare(0, bytes.size(), reinterpret_cast<const char*>(EMBEDDED_NETWORK),
                          EMBEDDED_NETWORK_SIZE) != 0)
            GTEST_SKIP() << "this build embeds a network other than " << SHIPPED_NETWORK;
        saved_ = active_network;
        loaded_ = true;
        ASSERT_TRUE(use_embedded_network());
        reference_ = read_reference();
        ASSERT_GE(reference_.size(), 100U) << "cannot read " << REFERENCE_FILE;
    }
    void TearDown() override {
        if (loaded_) active_network = saved_;
        nnue_use_avx2(true);
    }
    Network saved_;
    bool loaded_ = false;
    std::vector<ReferenceLine> reference_;
};

TEST_F(ShippedNetwork, EvaluatesAsTheTrainersReferenceOnBothArithmeticPaths) {
    for (const bool avx2 : {true, false}) {
        nnue_use_avx2(avx2);
        int mismatches = 0;
        for (const ReferenceLine& line : reference_) {
            test_support::set_up(line.fen);
            const int32_t engine = nnue_evaluate_from_scratch(game_position);
            if (engine != engine_units(line.integer_cp) && ++mismatches <= 5)
                ADD_FAILURE() << line.fen << ": engine " << engine << ", reference "
                              << line.integer_cp << " cp (" << engine_units(line.integer_cp)
                              << " units), AVX2 " << avx2
                              << "; was the reference file made from this network?";
        }
        EXPECT_EQ(mismatches, 0);
    }
}

// Quantisation costs the integer network a little against the float one it came from (output
// weights in 64ths of a unit): the engine stays within 30 cp of the float network on every
// position of the file, and within 8 cp on half of them.
TEST_F(ShippedNetwork, StaysCloseToTheFloatNetworkItWasTrainedAs) {
    std::vector<double> differences;
    for (const ReferenceLine& line : reference_) {
        test_support::set_up(line.fen);
        const double engine_cp = nnue_evaluate_from_scratch(game_position) * 100.0 / 110.0;
        const double off = std::fabs(engine_cp - line.float_cp);
        differences.push_back(off);
        EXPECT_LE(off, 30.0) << line.fen << ": engine " << engine_cp << " cp, float network "
                             << line.float_cp;
    }
    std::sort(differences.begin(), differences.end());
    EXPECT_LE(differences[differences.size() / 2], 8.0);
}

} // namespace
