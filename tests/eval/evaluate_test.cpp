// The evaluation driver: reference scores, the phase choice, the side-to-move sign, and that
// evaluating changes nothing.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "board/game.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "eval/tables.h"
#include "eval/terms.h"
#include "support/board_helpers.h"
#include "support/eval_helpers.h"

namespace {

using test_support::set_up;
using test_support::square_named;

class Evaluation : public ::testing::Test {
  protected:
    void SetUp() override { test_support::clear_weights(); }
    void TearDown() override { test_support::clear_weights(); }
};

TEST_F(Evaluation, ReferenceScoresWithoutWeights) {
    // Everything cancels in the initial position but the king tables: e1 is -4 for white, e8
    // is 0 for black.
    set_up();
    EXPECT_EQ(evaluate(), -4);
    side_to_move = 0;
    EXPECT_EQ(evaluate(), 4);

    // After 1. e4, from white's side: -4 for the kings, +55 for the pawn (15 on e4 instead of
    // -40 on e2) and -10 for the white king's shield on the e-file.
    set_up();
    test_support::play("e2e4");
    EXPECT_EQ(evaluate(), -41);
    side_to_move = 1; // no bonus for having the move
    EXPECT_EQ(evaluate(), 41);
}

TEST_F(Evaluation, PhaseFollowsTheCountOfPieces) {
    // The middlegame reads white's knight table for black too (b8 is -10 there, not -40), and
    // the endgame has other king tables, so the three evaluators give three scores here.
    set_up();
    // (The fixture's name hides the evaluation's type here.)
    auto phase = [](int32_t (::Evaluation::*evaluator)()) {
        auto evaluation = test_support::game_evaluation();
        evaluation.scan_pawns();
        return (evaluation.*evaluator)();
    };
    const int32_t opening = phase(&::Evaluation::evaluate_opening);
    const int32_t middlegame = phase(&::Evaluation::evaluate_middlegame);
    const int32_t endgame = phase(&::Evaluation::evaluate_endgame);
    ASSERT_NE(opening, middlegame);
    ASSERT_NE(middlegame, endgame);
    ASSERT_NE(opening, endgame);

    const std::array<std::pair<int32_t, int32_t>, 6> expected = {{{14, opening},
                                                                  {13, opening},
                                                                  {12, middlegame},
                                                                  {7, middlegame},
                                                                  {6, endgame},
                                                                  {0, endgame}}};
    for (const auto& [count, score] : expected) {
        non_pawn_count = count;
        EXPECT_EQ(evaluate(), score) << "non_pawn_count " << count;
    }
}

TEST_F(Evaluation, APromotionKeepsThePhaseAndHolesCountForNothing) {
    // 13 pieces, the opening; the new queen does not count, so the phase stays.
    set_up("1nbqkbnr/P1pppppp/8/8/8/8/1PPPPPPP/RNBQKBNR w Kk - 0 5");
    ASSERT_EQ(non_pawn_count, 13);
    test_support::play("a7a8q");
    ASSERT_EQ(non_pawn_count, 13);
    const int32_t after_promotion = evaluate();
    auto evaluation = test_support::game_evaluation();
    evaluation.scan_pawns();
    EXPECT_EQ(after_promotion, evaluation.evaluate_opening());

    // A capture made in a search leaves a hole in the piece list; the score must be the same as
    // after the list is rebuilt.
    set_up("4k3/8/8/3p4/4P3/8/8/R3K2R w KQ - 0 1");
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    const int32_t capture = test_support::index_of_move(list, count, "e4d5");
    ASSERT_GE(capture, 0);
    make_move(list, capture);
    bool has_hole = false;
    for (int slot = 1; slot <= piece_count; ++slot)
        has_hole |= piece_list[slot] == 0;
    ASSERT_TRUE(has_hole);
    const int32_t with_hole = evaluate();
    rebuild_piece_list();
    EXPECT_EQ(evaluate(), with_hole);
}

TEST_F(Evaluation, ChangesNothingOfThePosition) {
    set_up("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    for (const ParameterItem& item : PARAMETER_ITEMS)
        if (item.integer != nullptr) *item.integer = 17;
    OFFENSIVENESS = -1.25f;
    for (int32_t count : {14, 10, 4}) {
        non_pawn_count = count;
        int32_t board_before[BOARD_SQUARES], counts_before[BOARD_SQUARES], list_before[33];
        std::memcpy(board_before, board, sizeof board);
        std::memcpy(counts_before, square_move_count, sizeof square_move_count);
        std::memcpy(list_before, piece_list, sizeof piece_list);
        const int32_t first = evaluate();
        EXPECT_EQ(evaluate(), first) << "a second call must not see state of the first";
        EXPECT_EQ(std::memcmp(board_before, board, sizeof board), 0);
        EXPECT_EQ(std::memcmp(counts_before, square_move_count, sizeof square_move_count), 0);
        EXPECT_EQ(std::memcmp(list_before, piece_list, sizeof piece_list), 0);
        EXPECT_EQ(non_pawn_count, count);
    }
}

TEST(EvaluationTables, MirrorsRotationAndSquareColours) {
    for (int rank = 1; rank <= 8; ++rank) {
        for (int file = 1; file <= 8; ++file) {
            const int square = square_at(file - 1, rank - 1);
            const int mirror = square_at(file - 1, 8 - rank);
            const int rotated = square_at(8 - file, 8 - rank);
            EXPECT_EQ(pawn_pst_black[square], pawn_pst_white[mirror]);
            EXPECT_EQ(knight_pst_black[square], knight_pst_white[mirror]);
            EXPECT_EQ(bishop_pst_black[square], bishop_pst_white[mirror]);
            EXPECT_EQ(king_pst_black[square], king_pst_white[rotated]);
            EXPECT_EQ(light_square[square], (file + rank) % 2) << "a1 is dark";
        }
    }
    // A few entries read as a player sees the board.
    EXPECT_EQ(pawn_pst_white[square_named("d2")], -40);
    EXPECT_EQ(pawn_pst_white[square_named("e4")], 15);
    EXPECT_EQ(knight_pst_white[square_named("g1")], -40);
    EXPECT_EQ(bishop_pst_white[square_named("f1")], -30);
    EXPECT_EQ(king_pst_white[square_named("g1")], 8);
    EXPECT_EQ(king_pst_black[square_named("b8")], 8);
    EXPECT_EQ(queen_pst[square_named("d5")], 6);
    EXPECT_EQ(king_endgame_pst[square_named("e5")], 60);
    for (int square = 0; square < BOARD_SQUARES; ++square) {
        if (rank_of[square] != 0) continue;
        EXPECT_EQ(pawn_pst_white[square], 0);
        EXPECT_EQ(king_endgame_pst[square], 0);
        EXPECT_EQ(light_square[square], 0);
    }
    EXPECT_EQ(black_relative_rank[0], 0);
    EXPECT_EQ(black_relative_rank[2], 7);
    EXPECT_EQ(black_relative_rank[8], 1);
}

} // namespace
