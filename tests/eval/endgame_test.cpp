// The endgame's material rules: pawnless endings that cannot be won score 0, and with pawns
// the side with extra minor pieces not offset by majors earns 50.
#include <gtest/gtest.h>

#include <string>

#include "board/game.h"
#include "eval/terms.h"
#include "support/board_helpers.h"
#include "support/eval_helpers.h"

namespace {

constexpr int32_t DRAW = 0x7fffffff; // what material_rule returns when the score became 0

// Applies the rules to a score of 1000 with the given pieces ("RBN" against "R", pawns as P):
// the change, or DRAW.
int32_t material_rule(const std::string& white, const std::string& black) {
    Evaluation evaluation = test_support::game_evaluation();
    uint8_t(&piece_tally)[PIECE_CODES] = evaluation.piece_tally;
    const auto tally = [&](const std::string& pieces, bool is_white) {
        for (char piece : pieces) {
            const int32_t code = piece == 'P'   ? WHITE_PAWN
                                 : piece == 'N' ? WHITE_KNIGHT
                                 : piece == 'B' ? WHITE_BISHOP
                                 : piece == 'R' ? WHITE_ROOK
                                                : WHITE_QUEEN;
            ++piece_tally[is_white ? code : code + 1];
        }
    };
    tally(white, true);
    tally(black, false);
    evaluation.eval_score = 1000;
    evaluation.endgame_material_rules();
    return evaluation.eval_score == 0 ? DRAW : evaluation.eval_score - 1000;
}

TEST(EndgameMaterial, PawnlessEndingsWithoutWinningChances) {
    // Kings, knights and bishops.
    EXPECT_EQ(material_rule("", ""), DRAW);
    EXPECT_EQ(material_rule("N", ""), DRAW);
    EXPECT_EQ(material_rule("NN", ""), DRAW);
    EXPECT_EQ(material_rule("NNN", ""), 0);
    EXPECT_EQ(material_rule("NN", "NNN"), 0);
    EXPECT_EQ(material_rule("B", ""), DRAW);
    EXPECT_EQ(material_rule("BB", ""), 0);
    EXPECT_EQ(material_rule("BB", "B"), DRAW);
    EXPECT_EQ(material_rule("", "BB"), 0);
    EXPECT_EQ(material_rule("BN", ""), 0);
    EXPECT_EQ(material_rule("B", "N"), DRAW);
    EXPECT_EQ(material_rule("BN", "N"), 0);
    EXPECT_EQ(material_rule("NN", "B"), DRAW);
    // Rooks.
    EXPECT_EQ(material_rule("R", "R"), DRAW);
    EXPECT_EQ(material_rule("RN", "R"), DRAW);
    EXPECT_EQ(material_rule("RBN", "R"), 0);
    EXPECT_EQ(material_rule("R", "RNN"), 0);
    EXPECT_EQ(material_rule("R", "B"), DRAW);
    EXPECT_EQ(material_rule("R", "NN"), DRAW);
    EXPECT_EQ(material_rule("BN", "R"), DRAW);
    EXPECT_EQ(material_rule("R", "NNN"), 0);
    EXPECT_EQ(material_rule("R", ""), 0);
    EXPECT_EQ(material_rule("RN", "B"), 0);
    EXPECT_EQ(material_rule("RR", "R"), 0);
    // Queens keep every ending alive.
    EXPECT_EQ(material_rule("Q", "R"), 0);
    EXPECT_EQ(material_rule("Q", "Q"), 0);
    EXPECT_EQ(material_rule("QN", "N"), 0);
    EXPECT_EQ(material_rule("R", "RQ"), 0);
}

TEST(EndgameMaterial, MinorPiecesWithPawns) {
    EXPECT_EQ(material_rule("PQ", "PR"), 50); // equal minors and majors, only white's queen
    EXPECT_EQ(material_rule("PR", "PQ"), -50);
    EXPECT_EQ(material_rule("PQ", "PQ"), 0);
    EXPECT_EQ(material_rule("PR", "P"), 0);  // equal minors, majors differ
    EXPECT_EQ(material_rule("PN", "P"), 50); // a knight more, majors equal
    EXPECT_EQ(material_rule("P", "PB"), -50);
    EXPECT_EQ(material_rule("PB", "PNN"), -50); // fewer minors, majors equal
    EXPECT_EQ(material_rule("PBN", "PR"), 50);  // two minors for a rook
    EXPECT_EQ(material_rule("PRN", "PRRB"), 0);
    EXPECT_EQ(material_rule("PN", "PR"), 0); // one minor does not make up for the rook
    EXPECT_EQ(material_rule("PR", "PBN"), -50);
    EXPECT_EQ(material_rule("PBNN", "PRR"), 50); // three minors for two majors
    EXPECT_EQ(material_rule("PBN", "PRR"), 0);
    EXPECT_EQ(material_rule("P", "PNNNRRR"), 0); // three majors apart: no rule
    EXPECT_EQ(material_rule("", "P"), 0);
}

TEST(EndgameMaterial, TheWholeScoreOfADrawIsZeroForEitherSide) {
    test_support::clear_weights();
    for (const char* fen :
         {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/3N4/8/4K3 b - - 0 1",
          "4k3/8/8/3n4/8/3B4/8/4K3 w - - 0 1", "4k3/8/3r4/8/8/3RN3/8/4K3 b - - 0 1"}) {
        test_support::set_up(fen);
        EXPECT_EQ(evaluate(), 0) << fen;
        side_to_move = 1 - side_to_move;
        EXPECT_EQ(evaluate(), 0) << fen;
    }
    // Bishop and knight can mate: the score stands.
    test_support::set_up("4k3/8/8/8/8/3BN3/8/4K3 w - - 0 1");
    EXPECT_GT(evaluate(), 800);
    // With pawns, a knight against nothing: 50 on top of its material.
    test_support::set_up("4k3/p7/8/8/8/3N4/P7/4K3 w - - 0 1");
    const int32_t with_knight = evaluate();
    test_support::set_up("4k3/p7/8/8/8/8/P7/4K3 w - - 0 1");
    EXPECT_EQ(with_knight - evaluate(), 420 + 5 + 50); // knight d3: table 5, outpost 0
}

} // namespace
