// The evaluation network: its file read back as written and refused when damaged, the sums kept
// along a game equal to sums computed afresh, the two arithmetic paths agreeing, and the
// evaluation the same for a position and its colour-swapped mirror.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <random>

#include "board/game.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "nnue/accumulator.h"
#include "nnue/network.h"
#include "support/board_helpers.h"
#include "support/engine_process.h"
#include "support/eval_helpers.h"

namespace {

// A network of random weights inside the bounds the trainer keeps (|w| below 1.98 in its units).
Network random_network(int32_t hidden, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> first(-505, 505), output(-126, 126);
    Network network;
    network.hidden = hidden;
    for (int i = 0; i < NNUE_INPUTS * hidden; ++i)
        network.l1_weights.push_back(static_cast<int16_t>(first(random) / 8));
    for (int i = 0; i < hidden; ++i)
        network.l1_bias.push_back(static_cast<int16_t>(first(random)));
    for (int i = 0; i < 2 * hidden; ++i)
        network.out_weights.push_back(static_cast<int16_t>(output(random)));
    network.out_bias = 1234;
    return network;
}

const char* const POSITIONS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 7",
};

// The accumulator stack the tests keep along the game position's moves (as large as a search
// thread's, so kept off the stack).
std::unique_ptr<Accumulators> accumulators;

class Nnue : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = active_network;
        active_network = random_network(64, 5);
        accumulators = std::make_unique<Accumulators>();
    }
    void TearDown() override {
        active_network = saved_;
        nnue_use_avx2(true);
        accumulators.reset();
    }
    Network saved_;
};

TEST_F(Nnue, FilesReadBackAndDamagedOnesAreRefused) {
    const Network network = random_network(32, 9);
    const std::vector<uint8_t> bytes = network_file_bytes(network);
    Network read;
    std::string error;
    ASSERT_TRUE(read_network(bytes.data(), bytes.size(), read, error)) << error;
    EXPECT_EQ(read.hidden, 32);
    EXPECT_EQ(read.l1_weights, network.l1_weights);
    EXPECT_EQ(read.l1_bias, network.l1_bias);
    EXPECT_EQ(read.out_weights, network.out_weights);
    EXPECT_EQ(read.out_bias, network.out_bias);

    auto refused = [&](std::vector<uint8_t> damaged, const std::string& reason) {
        Network untouched = network;
        std::string why;
        EXPECT_FALSE(read_network(damaged.data(), damaged.size(), untouched, why)) << reason;
        EXPECT_NE(why.find(reason), std::string::npos) << why;
        EXPECT_EQ(untouched.l1_weights, network.l1_weights);
    };
    refused(std::vector<uint8_t>(bytes.begin(), bytes.end() - 1), "size");
    refused(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 20), "not a network");
    std::vector<uint8_t> damaged = bytes;
    damaged[1000] ^= 1;
    refused(damaged, "checksum");
    damaged = bytes;
    damaged[0] = 'X';
    refused(damaged, "not a network");
    damaged = bytes;
    damaged[4] = 2;
    refused(damaged, "version");
    damaged = bytes;
    damaged[12] = 48; // another hidden size, the payload unchanged
    refused(damaged, "size");
    damaged = bytes;
    damaged[16] = 2; // another activation
    refused(damaged, "architecture");

    // Through a file: a refused one leaves the active network as it was.
    const test_support::TempDir dir;
    dir.write_file("cut.nnue", std::string(bytes.begin(), bytes.end() - 7));
    const std::vector<int16_t> before = active_network.l1_weights;
    EXPECT_FALSE(load_network_file(dir.path() + "/cut.nnue", error));
    EXPECT_FALSE(load_network_file(dir.path() + "/missing.nnue", error));
    EXPECT_NE(error.find("cannot be opened"), std::string::npos);
    EXPECT_EQ(active_network.l1_weights, before);
    dir.write_file("good.nnue", std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(load_network_file(dir.path() + "/good.nnue", error)) << error;
    EXPECT_EQ(active_network.hidden, 32);
}

// Along random games from positions with castling, en passant and promotions, with moves taken
// back and passes: the sums kept move by move always equal the sums of the board.
TEST_F(Nnue, KeptSumsEqualSumsComputedAfresh) {
    std::mt19937 random(17);
    int evaluations = 0;
    for (const char* fen : POSITIONS) {
        test_support::set_up(fen);
        ply = 1;
        accumulators->refresh(game_position);
        struct Played {
            Move list[MAX_MOVES];
            int index;
            MoveUndo undo;
            bool null_move;
        };
        std::vector<Played> path;
        for (int step = 0; step < 300; ++step) {
            const int choice = static_cast<int>(random() % 10);
            if (choice < 3 && !path.empty()) { // take one back
                Played& last = path.back();
                if (last.null_move)
                    unmake_null_move(last.undo);
                else
                    take_back_move(last.list, last.index, last.undo);
                path.pop_back();
            } else if (choice == 3 && path.size() < 60) { // pass
                path.push_back({});
                path.back().null_move = true;
                make_null_move(path.back().undo);
                accumulators->note_null_move(game_position);
            } else if (path.size() < 60) {
                Played played{};
                int32_t count = 0;
                generate_moves(played.list, count);
                bool made = false;
                for (int tries = 0; tries < 20 && count > 0 && !made; ++tries) {
                    played.index = static_cast<int>(random() % static_cast<uint32_t>(count));
                    if (play_move(played.list, played.index, played.undo)) {
                        made = true;
                    } else {
                        take_back_move(played.list, played.index, played.undo);
                    }
                }
                if (!made) continue;
                accumulators->note_move(game_position, played.list[played.index]);
                path.push_back(played);
            }
            // Not every position is evaluated, so that several moves are caught up at once.
            if (random() % 3 == 0) {
                ASSERT_EQ(accumulators->evaluate(game_position),
                          nnue_evaluate_from_scratch(game_position))
                    << fen << " step " << step;
                ASSERT_TRUE(accumulators->is_current(game_position)) << fen << " step " << step;
                ++evaluations;
            }
        }
        while (!path.empty()) {
            Played& last = path.back();
            if (last.null_move)
                unmake_null_move(last.undo);
            else
                take_back_move(last.list, last.index, last.undo);
            path.pop_back();
        }
        EXPECT_EQ(accumulators->evaluate(game_position), nnue_evaluate_from_scratch(game_position))
            << fen;
    }
    EXPECT_GT(evaluations, 300);
}

// Every move and every reply from the same positions (each castling, en passant and promotion
// among them), evaluated on the way down and after the way back.
void walk_and_compare(int depth, int& compared) {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    for (int32_t i = 0; i < count; ++i) {
        MoveUndo undo;
        if (play_move(list, i, undo)) {
            accumulators->note_move(game_position, list[i]);
            ASSERT_EQ(accumulators->evaluate(game_position),
                      nnue_evaluate_from_scratch(game_position))
                << test_support::text_of(list[i]);
            ++compared;
            if (depth > 1) walk_and_compare(depth - 1, compared);
        }
        take_back_move(list, i, undo);
    }
}

TEST_F(Nnue, KeptSumsFollowEveryKindOfMove) {
    int compared = 0;
    for (const char* fen : POSITIONS) {
        test_support::set_up(fen);
        ply = 1;
        accumulators->refresh(game_position);
        walk_and_compare(2, compared);
        EXPECT_EQ(accumulators->evaluate(game_position), nnue_evaluate_from_scratch(game_position))
            << fen;
    }
    EXPECT_GT(compared, 5000);
}

TEST_F(Nnue, TheTwoArithmeticPathsAgree) {
    if (!nnue_avx2_available()) GTEST_SKIP() << "no AVX2 on this processor";
    for (const int32_t hidden : {16, 64, 256}) {
        active_network = random_network(hidden, static_cast<uint32_t>(hidden));
        for (const char* fen : POSITIONS) {
            test_support::set_up(fen);
            nnue_use_avx2(true);
            const int32_t fast = nnue_evaluate_from_scratch(game_position);
            nnue_use_avx2(false);
            EXPECT_EQ(nnue_evaluate_from_scratch(game_position), fast) << hidden << " " << fen;
        }
    }
}

// The network sees the board from the side to move: a position and its mirror (ranks reversed,
// colours swapped) are the same to it.
TEST_F(Nnue, MirroredPositionsEvaluateAlike) {
    int32_t distinct = 0;
    int32_t previous = 0;
    for (const char* fen : POSITIONS) {
        test_support::set_up(fen);
        const int32_t score = nnue_evaluate_from_scratch(game_position);
        test_support::set_up(test_support::mirrored_fen(fen));
        EXPECT_EQ(nnue_evaluate_from_scratch(game_position), score) << fen;
        distinct += score != previous ? 1 : 0;
        previous = score;
    }
    EXPECT_GT(distinct, 3); // the random network does tell positions apart
}

} // namespace
