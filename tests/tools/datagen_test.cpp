// The training data: records read back as the positions that were packed, the self-play games
// that write them (the same game from the same seed, legal positions, one result per game).
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "board/fen.h"
#include "board/game.h"
#include "board/position.h"
#include "eval/parameter_file.h"
#include "search/scores.h"
#include "tools/datagen/selfplay.h"
#include "tools/datagen/training_record.h"

namespace {

// The placement and side to move of a FEN: what a record keeps.
std::string placement_and_side(const std::string& fen) {
    return fen.substr(0, fen.find(' ', fen.find(' ') + 1));
}

TEST(TrainingRecord, ReadsBackThePackedPosition) {
    for (const char* fen : {
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
             "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
             "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
             "4k3/8/8/8/8/8/8/4K2R b K - 37 80",
             "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
         }) {
        std::string error;
        ASSERT_TRUE(set_position_from_fen(fen, error)) << fen;
        const TrainingRecord record = pack_current_position();
        const std::string read_back = record_fen(record);
        EXPECT_EQ(placement_and_side(read_back), placement_and_side(fen)) << fen;
        EXPECT_EQ(record.fifty_counter, fifty_counter) << fen;
        EXPECT_EQ(__builtin_popcountll(record.occupancy), piece_count) << fen;
    }
    // In check, seen from the side to move.
    std::string error;
    ASSERT_TRUE(set_position_from_fen("4k3/8/8/8/8/8/8/4R1K1 b - - 0 1", error));
    EXPECT_NE(pack_current_position().flags & RECORD_IN_CHECK, 0);
    EXPECT_EQ(pack_current_position().flags & RECORD_WHITE_TO_MOVE, 0);

    // A damaged record is no position.
    TrainingRecord damaged = pack_current_position();
    damaged.pieces[0] = 0xCC; // code 12 does not exist
    EXPECT_EQ(record_fen(damaged), "");
    damaged = pack_current_position();
    damaged.occupancy = ~uint64_t{0}; // 64 pieces
    EXPECT_EQ(record_fen(damaged), "");
}

TEST(TrainingRecord, ScoresAreWhitesCentipawnsWithMatesClamped) {
    bool mate = true;
    EXPECT_EQ(record_score(110, true, mate), 100);
    EXPECT_FALSE(mate);
    EXPECT_EQ(record_score(110, false, mate), -100);
    EXPECT_EQ(record_score(MATE_SCORE - 5, true, mate), RECORD_MATE_CENTIPAWNS);
    EXPECT_TRUE(mate);
    EXPECT_EQ(record_score(5 - MATE_SCORE, true, mate), -RECORD_MATE_CENTIPAWNS);
    EXPECT_EQ(record_score(MATE_SCORE - 5, false, mate), -RECORD_MATE_CENTIPAWNS);
    // A large score that is no mate stays inside 16 bits.
    EXPECT_EQ(record_score(999000, true, mate), RECORD_MATE_CENTIPAWNS);
    EXPECT_FALSE(mate);
}

class SelfPlayData : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        prepare_self_play(1);
        load_parameters_from((std::string(VANTREK_SOURCE_DIR) + "/kelmora.ini").c_str());
    }
};

TEST_F(SelfPlayData, TheSameSeedPlaysTheSameLegalGame) {
    SelfPlaySettings settings;
    settings.nodes = 300;
    settings.book_plies = 0; // no book in the working directory of the tests
    std::vector<TrainingRecord> first, again, other;
    ASSERT_GT(play_self_play_game(7, 3, settings, first), 0u);
    ASSERT_GT(play_self_play_game(7, 3, settings, again), 0u);
    play_self_play_game(7, 4, settings, other);
    ASSERT_EQ(first.size(), again.size());
    EXPECT_EQ(std::memcmp(first.data(), again.data(), first.size() * sizeof(TrainingRecord)), 0);
    EXPECT_FALSE(other.size() == first.size() &&
                 std::memcmp(first.data(), other.data(), first.size() * sizeof(TrainingRecord)) ==
                     0);

    // One game: the start flagged once, one result, positions that follow each other.
    std::set<std::string> seen;
    for (size_t i = 0; i < first.size(); ++i) {
        const TrainingRecord& record = first[i];
        EXPECT_EQ((record.flags & RECORD_GAME_START) != 0, i == 0) << i;
        EXPECT_EQ(record.result, first[0].result) << i;
        EXPECT_LE(record.result, RESULT_WHITE_WINS);
        EXPECT_EQ(record.ply, first[0].ply + i) << i;
        EXPECT_EQ((record.flags & RECORD_WHITE_TO_MOVE) != 0, (record.ply % 2) == 0) << i;
        const std::string fen = record_fen(record);
        std::string error;
        EXPECT_TRUE(set_position_from_fen(fen, error)) << fen << ": " << error;
        seen.insert(fen.substr(0, fen.find(' ')));
    }
    EXPECT_GT(seen.size(), first.size() / 2);
    EXPECT_GE(first[0].ply, settings.random_plies);
}

// A decided score ends the game early, for the side it favours: never more than the set number
// of plies beyond the winning score (fewer when the mate comes first).
TEST_F(SelfPlayData, DecidedGamesAreAdjudicated) {
    SelfPlaySettings settings;
    settings.nodes = 300;
    settings.book_plies = 0;
    settings.random_plies = 12;      // wild openings: some are lost at once
    settings.opening_limit = 100000; // and kept
    int adjudicated = 0;
    for (uint64_t game = 0; game < 6; ++game) {
        std::vector<TrainingRecord> records;
        if (play_self_play_game(11, game, settings, records) == 0) continue;
        const int32_t last = records.back().score;
        int32_t beyond = 0;
        for (auto record = records.rbegin(); record != records.rend(); ++record) {
            if (std::abs(record->score) < settings.win_score || (record->score > 0) != (last > 0))
                break;
            ++beyond;
        }
        EXPECT_LE(beyond, settings.win_plies) << game;
        if (beyond == 0) continue;
        EXPECT_EQ(records.back().result, last > 0 ? RESULT_WHITE_WINS : RESULT_BLACK_WINS);
        if (beyond == settings.win_plies) ++adjudicated;
    }
    EXPECT_GT(adjudicated, 0);
}

} // namespace
