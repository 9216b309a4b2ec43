// Pawn structure: backward, isolated, exposed, several on a file, passed, and the blocked
// centre.
#include <gtest/gtest.h>

#include "board/game.h"
#include "eval/parameters.h"
#include "eval/terms.h"
#include "support/board_helpers.h"
#include "support/eval_helpers.h"

namespace {

using test_support::set_up;
using test_support::weight_effect;

constexpr int32_t OPENING_COUNT = 14, MIDDLEGAME_COUNT = 10, ENDGAME_COUNT = 4;

class PawnTerms : public ::testing::Test {
  protected:
    void SetUp() override { test_support::clear_weights(); }
    void TearDown() override { test_support::clear_weights(); }
};

// What the pawn handler of phase P adds for the pawn on `name` in the current position.
template <Phase P> int32_t pawn_value(const char* name) {
    const int square = test_support::square_named(name);
    Evaluation evaluation = test_support::game_evaluation();
    evaluation.scan_pawns();
    if (board[square] == WHITE_PAWN)
        evaluation.pawn_terms<P, White>(square, rank_of[square], file_of[square]);
    else
        evaluation.pawn_terms<P, Black>(square, rank_of[square], file_of[square]);
    return evaluation.eval_score;
}

TEST_F(PawnTerms, BackwardIsolatedAndExposed) {
    // A lone pawn on a4: the sentinel beside the a-file reads as a file without pawns, so the
    // pawn is backward and isolated, and with no black pawn on its file exposed on both counts.
    set_up("4k3/8/8/8/P7/8/8/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(EBACKWARD_PAWN_PENALTY), -1);
    EXPECT_EQ(weight_effect(EISOLATED_PAWN_PENALTY), -1);
    EXPECT_EQ(weight_effect(EEXPOSED_BACKWARD_PAWN), -1);
    EXPECT_EQ(weight_effect(EEXPOSED_ISOLATED_PAWN), -1);

    // A black pawn on the a-file hides the weakness from the rooks; the black pawns on a6 and
    // b6 stand level and are neither backward nor isolated.
    set_up("4k3/8/pp6/8/P7/8/8/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(EBACKWARD_PAWN_PENALTY), -1);
    EXPECT_EQ(weight_effect(EISOLATED_PAWN_PENALTY), -1);
    EXPECT_EQ(weight_effect(EEXPOSED_BACKWARD_PAWN), 0);
    EXPECT_EQ(weight_effect(EEXPOSED_ISOLATED_PAWN), 0);

    // e4 with d3 and f5: e4 is not below d3, so only d3 (behind e4, no c-pawn) is backward.
    set_up("4k3/8/8/5P2/4P3/3P4/8/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(EBACKWARD_PAWN_PENALTY), -1);
    EXPECT_EQ(weight_effect(EISOLATED_PAWN_PENALTY), 0);

    // A lone pawn on its seventh rank is neither backward nor isolated.
    set_up("4k3/7P/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(EBACKWARD_PAWN_PENALTY), 0);
    EXPECT_EQ(weight_effect(EISOLATED_PAWN_PENALTY), 0);
}

TEST_F(PawnTerms, TheOpeningSparesAPawnOnItsStartRank) {
    // d2 behind c4 and e4 is backward and exposed, but in the opening pays no backward penalty.
    set_up("4k3/8/8/8/2P1P3/8/3P4/4K3 w - - 0 1");
    non_pawn_count = OPENING_COUNT;
    EXPECT_EQ(weight_effect(OBACKWARD_PAWN_PENALTY), 0);
    EXPECT_EQ(weight_effect(OEXPOSED_BACKWARD_PAWN), -1);
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(MBACKWARD_PAWN_PENALTY), -1);
    EXPECT_EQ(weight_effect(MEXPOSED_BACKWARD_PAWN), -1);

    // Black's d7 behind c5 and e5 likewise, with the opposite sign.
    set_up("4k3/3p4/8/2p1p3/8/8/8/4K3 w - - 0 1");
    non_pawn_count = OPENING_COUNT;
    EXPECT_EQ(weight_effect(OBACKWARD_PAWN_PENALTY), 0);
    EXPECT_EQ(weight_effect(OEXPOSED_BACKWARD_PAWN), 1);
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(MBACKWARD_PAWN_PENALTY), 1);
}

TEST_F(PawnTerms, SeveralPawnsOnAFile) {
    // Three pawns on the c-file: each pays for the two others, 6 penalties in all.
    set_up("4k3/8/8/2P5/2P5/2P5/8/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(EMULTIPLE_PAWNS_PENALTY), -6);
    EXPECT_EQ(weight_effect(EISOLATED_PAWN_PENALTY), -3);

    // Doubled isolated pawns on c2 and c3 in the middlegame: each is backward, isolated, pays
    // once for the other, and 5 more.
    set_up("4k3/8/8/8/8/2P5/2P5/4K3 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(MBACKWARD_PAWN_PENALTY), -2);
    EXPECT_EQ(weight_effect(MISOLATED_PAWN_PENALTY), -2);
    EXPECT_EQ(weight_effect(MMULTIPLE_PAWNS_PENALTY), -2);
    EXPECT_EQ(pawn_value<Phase::MIDDLEGAME>("c2"), 0 - 5); // table 0
    EXPECT_EQ(pawn_value<Phase::MIDDLEGAME>("c3"), 3 - 5); // table 3
    EXPECT_EQ(pawn_value<Phase::OPENING>("c3"), 3);        // no extra 5 in the opening
    EXPECT_EQ(pawn_value<Phase::ENDGAME>("c3"), 3 + 5);    // nor in the endgame, but 5 a pawn
}

TEST_F(PawnTerms, PassedPawns) {
    // e5 beside a black pawn on d5: the black pawn stands level and does not stop it, and the
    // d5 pawn is passed as well (white's e-pawn is level with it).
    set_up("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1");
    EPASSED_PAWN_BONUS = 100;
    EXPECT_EQ(pawn_value<Phase::ENDGAME>("e5"), 15 + 5 + 5 * 100);
    EXPECT_EQ(pawn_value<Phase::ENDGAME>("d5"), -(15 + 5 + 4 * 100));
    // With the black pawn on d6 instead, above e5, neither is passed.
    set_up("4k3/8/3p4/4P3/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(pawn_value<Phase::ENDGAME>("e5"), 15 + 5);
    EXPECT_EQ(pawn_value<Phase::ENDGAME>("d6"), -(-10 + 5)); // black d6 reads white d3

    // A lone passed pawn on h7: not isolated, so it takes the connected bonus (and in the
    // endgame 50 more); on a wing file the outside bonus, except in the opening.
    set_up("4k3/7P/8/8/8/8/8/4K3 w - - 0 1");
    OPASSED_PAWN_BONUS = MPASSED_PAWN_BONUS = EPASSED_PAWN_BONUS = 1000;
    OCONNECTED_PASSED_PAWN = MCONNECTED_PASSED_PAWN = ECONNECTED_PASSED_PAWN = 10;
    MOUTSIDE_PASSED_PAWN = EOUTSIDE_PASSED_PAWN = 100;
    EXPECT_EQ(pawn_value<Phase::OPENING>("h7"), 5 + 7000 + 10);
    EXPECT_EQ(pawn_value<Phase::MIDDLEGAME>("h7"), 5 + 7000 + 10 + 100);
    EXPECT_EQ(pawn_value<Phase::ENDGAME>("h7"), 5 + 5 + 7000 + 10 + 50 + 100);

    // An isolated passed pawn takes the outside bonus but not the connected one.
    set_up("4k3/8/8/8/1P6/8/8/4K3 w - - 0 1");
    EXPECT_EQ(pawn_value<Phase::ENDGAME>("b4"), 4 + 5 + 4000 + 100);
    test_support::clear_weights();

    // Black's passed pawns on b2 and a3 support each other: b2 takes 7 times the bonus, a3 6
    // times, both the connected bonus and 50 each, all for black. a3 is also backward.
    set_up("4k3/8/8/8/8/p7/1p6/4K3 b - - 0 1");
    EXPECT_EQ(weight_effect(EPASSED_PAWN_BONUS), -13);
    EXPECT_EQ(weight_effect(ECONNECTED_PASSED_PAWN), -2);
    EXPECT_EQ(weight_effect(EBACKWARD_PAWN_PENALTY), 1);
    EXPECT_EQ(weight_effect(EOUTSIDE_PASSED_PAWN), -2);
    // Material -220, tables -(4 + 10), 5 a pawn, 50 a pawn; the kings' tables cancel.
    EXPECT_EQ(evaluate(), 220 + 14 + 10 + 100);
}

TEST_F(PawnTerms, BlockedCentrePawns) {
    // A knight on d3 in front of the unmoved d-pawn, in the opening and middlegame only.
    set_up("rnbqkbnr/pppppppp/8/8/8/3N4/PPPPPPPP/RNBQKB1R w KQkq - 0 1");
    EXPECT_EQ(weight_effect(BLOCKED_CENTER_PAWN), -1);
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(BLOCKED_CENTER_PAWN), -1);
    non_pawn_count = ENDGAME_COUNT;
    EXPECT_EQ(weight_effect(BLOCKED_CENTER_PAWN), 0);

    // Any piece counts, of either colour; black's blocked e-pawn counts for white.
    set_up("rnbqkb1r/pppppppp/8/8/8/3n4/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(weight_effect(BLOCKED_CENTER_PAWN), -1);
    set_up("rnbqkb1r/pppppppp/4n3/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(weight_effect(BLOCKED_CENTER_PAWN), 1);

    // A d-pawn that has moved is not blocked, whatever stands on d3.
    set_up("rnbqkbnr/pppppppp/8/8/3P4/3N4/PPP1PPPP/RNBQKB1R w KQkq - 0 1");
    EXPECT_EQ(weight_effect(BLOCKED_CENTER_PAWN), 0);
}

} // namespace
