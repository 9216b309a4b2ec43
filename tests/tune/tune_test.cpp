// The tuner: stored positions score exactly as on the board, the weight file it writes reads
// back to the same weights, labelled records replay to the right positions, and a tuning step
// lowers the error.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>

#include "board/attack.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "search/classic/search.h"
#include "search/scores.h"
#include "support/board_helpers.h"
#include "support/eval_helpers.h"
#include "tune/tuner.h"

namespace {

using test_support::set_up;

// Openings, middlegames with promotions pending, endgames, a drawn ending.
const char* const POSITIONS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "6k1/1P3pp1/8/8/8/8/5PPP/3R2K1 b - - 0 1",
    "8/8/4k3/8/8/3NK3/8/8 w - - 0 1",
};

// Random weights of every kind, OFFENSIVENESS included, on the values the file can hold.
void set_random_weights(std::mt19937& random, int32_t limit) {
    std::uniform_int_distribution<int32_t> integer(-limit, limit);
    for (const TunableWeight& weight : tunable_weights())
        set_weight(weight, weight.item->real != nullptr ? integer(random) / 37.0 : integer(random));
}

// Every position one legal move away from POSITIONS, with its score and phase: captures leave
// holes in the piece list, promotions leave non_pawn_count below the count of pieces.
std::vector<Sample> positions_one_move_on(std::vector<int32_t>& scores) {
    std::vector<Sample> samples;
    for (const char* fen : POSITIONS) {
        set_up(fen);
        Move list[MAX_MOVES];
        int32_t count = 0;
        generate_moves(list, count);
        for (int i = 0; i < count; ++i) {
            MoveUndo undo;
            if (play_move(list, i, undo)) {
                scores.push_back(white_score());
                samples.push_back({store_position(), 0.5f});
            }
            take_back_move(list, i, undo);
        }
    }
    return samples;
}

class Tuning : public ::testing::Test {
  protected:
    void TearDown() override { test_support::clear_weights(); }
};

TEST_F(Tuning, StoredPositionsScoreExactlyAsOnTheBoard) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 3; ++round) {
        set_random_weights(random, 60);
        std::vector<int32_t> scores;
        const std::vector<Sample> samples = positions_one_move_on(scores);
        int phases_seen[3] = {0, 0, 0};
        for (size_t i = 0; i < samples.size(); ++i) {
            restore_position(samples[(i * 7919) % samples.size()].position); // another first
            restore_position(samples[i].position);
            ASSERT_EQ(white_score(), scores[i]) << "position " << i << " round " << round;
            const int npc = samples[i].position.non_pawn_count;
            ++phases_seen[npc >= OPENING_MINIMUM ? 0 : npc >= MIDDLEGAME_MINIMUM ? 1 : 2];
        }
        EXPECT_GT(phases_seen[0] * phases_seen[1] * phases_seen[2], 0);
    }
}

TEST_F(Tuning, WrittenWeightFileReadsBackTheSameWeights) {
    std::mt19937 random(7);
    set_random_weights(random, WEIGHT_LIMIT);
    std::vector<double> written;
    for (const ParameterItem& item : PARAMETER_ITEMS)
        written.push_back(item.integer != nullptr ? *item.integer : *item.real);
    const std::string path = ::testing::TempDir() + "tuned_weights.ini";
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs(parameter_file_text().c_str(), file);
    std::fclose(file);
    test_support::clear_weights();
    load_parameters_from(path.c_str());
    std::remove(path.c_str());
    for (size_t i = 0; i < PARAMETER_ITEMS.size(); ++i) {
        const ParameterItem& item = PARAMETER_ITEMS[i];
        EXPECT_EQ(item.integer != nullptr ? *item.integer : *item.real, written[i]) << item.format;
    }

    // Steps never leave what the file can hold.
    const std::vector<TunableWeight> weights = tunable_weights();
    EXPECT_EQ(weights.size(), 50u); // all but OROOK_PAIR_ON_SEVENTH, which no phase reads
    set_weight(weights.front(), 5000);
    EXPECT_EQ(weight_value(weights.front()), WEIGHT_LIMIT);
    for (const TunableWeight& weight : weights)
        if (weight.item->real != nullptr) {
            set_weight(weight, -250.0);
            EXPECT_EQ(weight_value(weight), -OFFENSIVENESS_LIMIT);
        }
}

TEST_F(Tuning, RecordsReplayGamesAndReportBadLines) {
    std::istringstream records("# comment\n"
                               "game e2e4 e7e5 g1f3 d7d5\n"
                               "3 0.55\n"
                               "4 0.6\n"
                               "2 1.5\n"
                               "9 0.5\n"
                               "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1;0.45\n"
                               "game e2e4 e7e5 d1h5 b8c6 f1c4 g8f6 h5f7\n"
                               "7 0.0\n"
                               "game e2e4 e7e6 e4e5 x1x2\n"
                               "3 0.5\n"
                               "4 0.5\n");
    std::vector<Sample> samples;
    DataReport report;
    std::ostringstream problems;
    set_up();
    read_labelled_positions(records, "records", samples, report, problems);
    EXPECT_EQ(report.games, 3);
    EXPECT_EQ(report.labelled, 4); // plies 3 and 4, the FEN, ply 3 of the last game
    EXPECT_EQ(report.in_check, 1); // the mate
    EXPECT_EQ(report.problems, 3);
    EXPECT_NE(problems.str().find("records:5:"), std::string::npos) << problems.str();
    EXPECT_NE(problems.str().find("records:6:"), std::string::npos) << problems.str();
    EXPECT_NE(problems.str().find("records:12: illegal move 'x1x2'"), std::string::npos)
        << problems.str();
    ASSERT_EQ(samples.size(), 4u);
    EXPECT_FLOAT_EQ(samples[1].label, 0.6f);

    // After 3. ... d5 white can take on d5 or e5: the sample is the end of the captures, and
    // scores what the quiescence search does.
    set_up();
    test_support::play_all({"e2e4", "e7e5", "g1f3", "d7d5"});
    const int32_t quiescence = quiesce(-INFINITE_SCORE, INFINITE_SCORE, QUIESCENCE_DEPTH);
    restore_position(samples[1].position);
    EXPECT_EQ(white_score(), quiescence);
    EXPECT_GE(report.resolved, 1);
}

TEST_F(Tuning, FitsTheScaleAndLowersTheError) {
    // Labels made by known weights and K; from weights at 0 a sweep must come closer.
    std::mt19937 random(11);
    set_random_weights(random, 40);
    std::vector<int32_t> scores;
    std::vector<Sample> samples = positions_one_move_on(scores);
    constexpr double TRUE_K = 1.3;
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i].label = static_cast<float>(expected_result(scores[i], TRUE_K));

    Tuner exact(samples);
    EXPECT_NEAR(exact.fit_k(), TRUE_K, 0.01);
    EXPECT_LT(exact.error(), 1e-6);

    test_support::clear_weights();
    Tuner tuner(samples);
    tuner.set_k(TRUE_K);
    const double before = tuner.error();
    tuner.set_regularisation(1.0); // any step costs more than the whole error
    EXPECT_EQ(tuner.sweep(4), 0);
    tuner.set_regularisation(0.0);
    EXPECT_GT(tuner.sweep(4), 0);
    EXPECT_LT(tuner.error(), before);
    bool agrees = false;
    tuner.timed_full_pass(agrees);
    EXPECT_TRUE(agrees);
}

} // namespace
