// King safety and attack: castling, the king that gave up castling, the trapped rook, the pawn
// shield, kings on opposite wings, and the attack distances weighted by OFFENSIVENESS.
#include <gtest/gtest.h>

#include "board/game.h"
#include "eval/parameters.h"
#include "eval/terms.h"
#include "support/board_helpers.h"
#include "support/eval_helpers.h"

namespace {

using test_support::set_up;
using test_support::square_named;
using test_support::weight_effect;

constexpr int32_t OPENING_COUNT = 14, MIDDLEGAME_COUNT = 10;

class KingTerms : public ::testing::Test {
  protected:
    void SetUp() override { test_support::clear_weights(); }
    void TearDown() override { test_support::clear_weights(); }
};

// What the king handler of phase P adds for the king on `name` in the current position.
template <Phase P> int32_t king_value(const char* name) {
    const int square = square_named(name);
    Evaluation evaluation = test_support::game_evaluation();
    evaluation.scan_pawns();
    if (board[square] == WHITE_KING)
        evaluation.king_terms<P, White>(square, rank_of[square], file_of[square]);
    else
        evaluation.king_terms<P, Black>(square, rank_of[square], file_of[square]);
    return evaluation.eval_score;
}

template <Phase P> int32_t opposite_wings() {
    Evaluation evaluation = test_support::game_evaluation();
    evaluation.scan_pawns();
    evaluation.kings_on_opposite_wings<P>();
    return evaluation.eval_score;
}

TEST_F(KingTerms, CastledKingAndItsShield) {
    // Castled short behind f2, g2, h2: table 8, castled, and a shield of 0.
    set_up("rnbq1rk1/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1RK1 w - - 0 1");
    EXPECT_EQ(king_value<Phase::OPENING>("g1"), 8 + 24);
    EXPECT_EQ(king_value<Phase::MIDDLEGAME>("g1"), 8 + 50);
    // The g-pawn on g3: 5 (8 in the middlegame) for the rank it stands beyond g2.
    set_up("rnbq1rk1/pppppppp/8/8/8/6P1/PPPPPP1P/RNBQ1RK1 w - - 0 1");
    EXPECT_EQ(king_value<Phase::OPENING>("g1"), 8 + 24 - 5);
    EXPECT_EQ(king_value<Phase::MIDDLEGAME>("g1"), 8 + 50 - 8);
    // No g-pawn: the missing-shield constant.
    set_up("rnbq1rk1/pppppppp/8/8/8/8/PPPPPP1P/RNBQ1RK1 w - - 0 1");
    EXPECT_EQ(king_value<Phase::OPENING>("g1"), 8 + 24 - 8);
    EXPECT_EQ(king_value<Phase::MIDDLEGAME>("g1"), 8 + 50 - 15);

    // Black castled behind f7, g6, h7: the same for black, with the opposite sign.
    set_up("5rk1/5p1p/6p1/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(king_value<Phase::OPENING>("g8"), -(7 + 24 - 5));
    set_up("5rk1/5p2/6p1/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(king_value<Phase::OPENING>("g8"), -(7 + 24 - 5 - 8));

    // On h1 the sentinel file beyond h has no pawns, even with g2 and h2 in place. The king
    // left e1 (-40) without castling; its h-file has a pawn.
    set_up("4k3/8/8/8/8/8/6PP/7K w - - 0 1");
    EXPECT_EQ(king_value<Phase::MIDDLEGAME>("h1"), 7 - 40 - 15);
    // In the endgame only the centralising table counts.
    EXPECT_EQ(king_value<Phase::ENDGAME>("h1"), 0);
    EXPECT_EQ(king_value<Phase::ENDGAME>("e8"), -30);
}

TEST_F(KingTerms, AKingThatGaveUpCastling) {
    // Out to e2 and back: e1's move count is 2, so the right stays lost.
    set_up();
    test_support::play_all({"e2e4", "e7e5", "e1e2", "e8e7", "e2e1", "e7e8"});
    ASSERT_EQ(square_move_count[E1], 2);
    EXPECT_EQ(king_value<Phase::OPENING>("e1"), -4 - 20 - 10); // shield: e4 is 2 ranks ahead
    EXPECT_EQ(king_value<Phase::MIDDLEGAME>("e1"), -4 - 40 - 16);

    // On f1 without an f-pawn: the file constant and a missing shield file.
    set_up("4k3/8/8/8/8/8/4P1PP/5K1R w - - 0 1");
    EXPECT_EQ(king_value<Phase::OPENING>("f1"), 7 - 20 - 6 - 8);

    // The rook in the corner behind it is trapped, in the opening and middlegame only.
    set_up("4k3/8/8/8/8/8/4PPPP/5K1R w - - 0 1");
    non_pawn_count = OPENING_COUNT;
    EXPECT_EQ(weight_effect(ROOK_TRAPPED), -1);
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(ROOK_TRAPPED), -1);
    non_pawn_count = 4;
    EXPECT_EQ(weight_effect(ROOK_TRAPPED), 0);
    // King g1 and rook h1, king c1 and rook a1, king b1 and rook a1; black's king c8 and rook
    // a8, for white.
    for (const char* fen : {"4k3/8/8/8/8/8/5PPP/6KR w - - 0 1", "4k3/8/8/8/8/8/PPP5/R1K5 w - - 0 1",
                            "4k3/8/8/8/8/8/PPP5/RK6 w - - 0 1"}) {
        set_up(fen);
        non_pawn_count = MIDDLEGAME_COUNT;
        EXPECT_EQ(weight_effect(ROOK_TRAPPED), -1) << fen;
    }
    set_up("r1k5/ppp5/8/8/8/8/8/4K3 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(ROOK_TRAPPED), 1);
    // Not trapped: a castled king (g1 with the rook on f1) beside the other rook on h1; a rook
    // on h2 that has its rank; a king in the middle.
    for (const char* fen : {"4k3/8/8/8/8/8/5PPP/5RKR w - - 0 1", "4k3/8/8/8/8/8/5PPR/6K1 w - - 0 1",
                            "4k3/8/8/8/8/8/3PPPPP/4K2R w - - 0 1"}) {
        set_up(fen);
        non_pawn_count = MIDDLEGAME_COUNT;
        EXPECT_EQ(weight_effect(ROOK_TRAPPED), 0) << fen;
    }
}

TEST_F(KingTerms, KingsOnOppositeWings) {
    // Kings g1 and c8. White pawns a4, b4, c4 against the black king's files b, c, d; black
    // pawns f7, g6, h7 against the white king's f, g, h.
    set_up("2k5/ppp2p1p/6p1/8/PPP5/8/5PPP/6K1 w - - 0 1");
    // Opening: white's rearmost pawns on b, c, d at ranks 4, 4 and (none) 7 make 15, black's on
    // f, g, h have advanced 2, 3 and 2 ranks from white's view: 8; d has no white pawn: +4.
    EXPECT_EQ(opposite_wings<Phase::OPENING>(), 15 - 7 + 4);
    // Middlegame: black's g-pawn one rank on, -4; white's b- and c-pawns two ranks on, 8 each,
    // and the empty d-file 20 + 10.
    EXPECT_EQ(opposite_wings<Phase::MIDDLEGAME>(), -4 + 8 + 8 + 30);
    // Kings on e1 and c8 are only two files apart.
    set_up("2k5/ppp2p1p/6p1/8/PPP5/8/5PPP/4K3 w - - 0 1");
    EXPECT_EQ(opposite_wings<Phase::OPENING>(), 0);
    EXPECT_EQ(opposite_wings<Phase::MIDDLEGAME>(), 0);
    // With all pawns at home nothing has advanced and no file is open.
    set_up("2kr1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1RK1 w - - 0 1");
    EXPECT_EQ(opposite_wings<Phase::OPENING>(), 0);
    EXPECT_EQ(opposite_wings<Phase::MIDDLEGAME>(), 0);
}

TEST_F(KingTerms, AttackDistancesAndOffensiveness) {
    // A rook on e4 against the king on e8: on its file, distance 0. A knight on f6 against a
    // king on h8: (2 + 2) / 2 = 2.
    set_up("4k3/8/8/8/4R3/8/8/6K1 b - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(ROOK_ATTACK_KING), 1);
    EXPECT_EQ(test_support::attack_distances().first, 0);
    set_up("7k/8/5N2/8/8/8/8/R3K3 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    // The rook on a1: 7 ranks and 7 files away.
    EXPECT_EQ(test_support::attack_distances(), std::make_pair(2 + 7, 0));
    // OFFENSIVENESS -0.5 on a difference of 9: -4.5, and the positive sum truncated towards
    // zero loses the half as well; the side to move only changes the sign.
    const int32_t before = test_support::white_score();
    ASSERT_GT(before, 5);
    OFFENSIVENESS = -0.5f;
    EXPECT_EQ(test_support::white_score(), before - 5);
    side_to_move = 0;
    EXPECT_EQ(evaluate(), -(before - 5));

    // The rounding on its own: the sum is formed first, then truncated towards zero.
    const auto apply = [](int32_t score, int32_t white, int32_t black, float factor) {
        Evaluation evaluation = test_support::game_evaluation();
        evaluation.eval_score = score;
        evaluation.white_attack_distance = white;
        evaluation.black_attack_distance = black;
        OFFENSIVENESS = factor;
        evaluation.apply_offensiveness();
        return evaluation.eval_score;
    };
    EXPECT_EQ(apply(10, 3, 0, -0.5f), 8);    // 8.5
    EXPECT_EQ(apply(-10, 3, 0, -0.5f), -11); // -11.5
    EXPECT_EQ(apply(-10, 0, 3, -0.5f), -8);  // -8.5
    EXPECT_EQ(apply(1, 0, 5, 0.25f), 0);     // -0.25
    EXPECT_EQ(apply(123, 40, 2, 0.0f), 123);
    EXPECT_EQ(apply(0, 3, 0, 0.1f), 0); // 0.3 (the float 0.1 is a little above 0.1)
    EXPECT_EQ(apply(0, 10, 0, 0.1f), 1);
}

} // namespace
