// Knights, bishops, rooks and queens: outposts, the bishop pair, mobility, the colour complex,
// trapped bishops, rooks on the seventh and on open files, queens as half rooks, development.
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

constexpr int32_t OPENING_COUNT = 14, MIDDLEGAME_COUNT = 10, ENDGAME_COUNT = 4;

class PieceTerms : public ::testing::Test {
  protected:
    void SetUp() override { test_support::clear_weights(); }
    void TearDown() override { test_support::clear_weights(); }
};

int32_t white_outpost(const char* name) {
    const int square = square_named(name);
    Evaluation evaluation = test_support::game_evaluation();
    evaluation.scan_pawns();
    return evaluation.outpost_value_white(square, file_of[square], rank_of[square]);
}
int32_t black_outpost(const char* name) {
    const int square = square_named(name);
    Evaluation evaluation = test_support::game_evaluation();
    evaluation.scan_pawns();
    return evaluation.outpost_value_black(square, file_of[square], rank_of[square]);
}

TEST_F(PieceTerms, Outposts) {
    OUTPOSTED = 100;
    STRONG_OUTPOST = 1000;
    // e6 with white pawns on d7 and f7 (the squares diagonally in front) and no black pawns
    // on d or f: both pawns, the strong bonus, and 4 for the sixth rank of a centre file.
    set_up("k7/3P1P2/4N3/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(white_outpost("e6"), 100 + 8 + 1000 + 4);
    set_up("4k3/8/8/8/8/4n3/3p1p2/K7 w - - 0 1");
    EXPECT_EQ(black_outpost("e3"), 100 + 8 + 1000 + 4);

    // A black pawn on d7 can still drive a knight from e5; one on d5 stands level and cannot.
    set_up("4k3/3p4/8/4N3/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(white_outpost("e5"), 0);
    set_up("4k3/8/8/3pN3/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(white_outpost("e5"), 100);
    // Centre files deeper in: 8 on the seventh rank, 12 on the eighth; the first rank never
    // counts (the sentinel of a file without black pawns reads 2).
    set_up("4k3/3N4/8/8/8/8/8/3NK3 w - - 0 1");
    EXPECT_EQ(white_outpost("d7"), 108);
    EXPECT_EQ(white_outpost("d8"), 112);
    EXPECT_EQ(white_outpost("d1"), 0);

    // The knight on b1 at the start: -40 from the table, undeveloped, no outpost.
    set_up();
    UNDEVELOPED_PIECE = 7;
    Evaluation knight_evaluation = test_support::game_evaluation();
    knight_evaluation.scan_pawns();
    knight_evaluation.knight_terms<Phase::OPENING, White>(B1, 1, 2);
    EXPECT_EQ(knight_evaluation.eval_score, -40 - 7);
    // With every weight 0 the centre-file bonus still counts.
    test_support::clear_weights();
    set_up("4k3/8/4N3/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(white_outpost("e6"), 4);
}

// The occupied squares read from the board square by square.
uint64_t occupancy_of_board() {
    uint64_t occupied = 0;
    for (int square = A1; square <= H8; ++square)
        if (board[square] != EMPTY) occupied |= square_bit[square];
    return occupied;
}

// Mobility the slow way: step along each diagonal until a piece or the border.
int32_t mobility_by_stepping(int square) {
    int32_t count = 0;
    for (int step : {13, -13, 11, -11}) {
        int target = square;
        do {
            target += step;
            ++count;
        } while (board[target] == EMPTY);
    }
    return count;
}

TEST_F(PieceTerms, BishopMobilityFromTheOccupiedSquaresMatchesStepping) {
    // From every square (corners, edges, next to pieces of both colours), and with the squares
    // the middlegame gathers from the pawn structure and the piece list, promoted pieces too.
    const char* positions[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "B6b/8/3p4/8/2b1N3/8/1Q6/b3K2k w - - 0 1",
        "1k2r3/1pp2Q2/p1n5/8/3B4/2N5/PPP2qPP/2K1R3 b - - 0 1"};
    for (const char* fen : positions) {
        set_up(fen);
        const uint64_t occupied = occupancy_of_board();
        for (int square = A1; square <= H8; ++square) {
            if (board[square] == OFF_BOARD) continue;
            EXPECT_EQ(bishop_mobility(square, occupied), mobility_by_stepping(square))
                << fen << " square " << square;
        }
        EXPECT_EQ(occupied_squares(), occupied) << fen;
    }
}

TEST_F(PieceTerms, BishopMobilityAndPair) {
    // a1 with a piece on b2: b2 and the first, off-board square of the other three diagonals.
    set_up("4k3/8/8/8/8/8/1N6/B3K3 w - - 0 1");
    EXPECT_EQ(bishop_mobility(A1, occupancy_of_board()), 4);
    set_up("4k3/8/8/8/3B4/8/8/4K3 w - - 0 1");
    EXPECT_EQ(bishop_mobility(square_named("d4"), occupancy_of_board()), 17);

    // Three white bishops against one black: the pair bonus counts twice, in every phase.
    set_up("rn1qkbnr/pppppppp/8/8/8/2B5/PPPP1PPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(weight_effect(OBISHOP_PAIR), 2);
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(MBISHOP_PAIR), 2);
    non_pawn_count = ENDGAME_COUNT;
    EXPECT_EQ(weight_effect(EBISHOP_PAIR), 2);
}

TEST_F(PieceTerms, ColourComplex) {
    // Moved white pawns 3 on light squares (c4, d3, e4), 3 on dark (d4, e3, f4): no term.
    set_up("4k3/8/8/8/2PPPP2/3PP3/4B3/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(BAD_BISHOP), 0);
    EXPECT_EQ(weight_effect(GOOD_BISHOP), 0);
    // A fourth light pawn (b3): the light-squared bishop on e2 is bad.
    set_up("4k3/8/8/8/2PPPP2/1P1PP3/4B3/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(BAD_BISHOP), -1);
    EXPECT_EQ(weight_effect(GOOD_BISHOP), 0);
    // ...and one on d2 (dark) good.
    set_up("4k3/8/8/8/2PPPP2/1P1PP3/3B4/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(BAD_BISHOP), 0);
    EXPECT_EQ(weight_effect(GOOD_BISHOP), 1);
    // A dark majority (d4, e3, f4) has no rule.
    set_up("4k3/8/8/8/3PP3/4P3/4B3/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(BAD_BISHOP), 0);
    EXPECT_EQ(weight_effect(GOOD_BISHOP), 0);

    // Black pawns on c6, e6, d5, f5 (light) and d6 (dark): black's dark bishop on e7 is good,
    // its light one on d7 bad, each for black.
    set_up("4k3/4b3/2ppp3/3p1p2/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(GOOD_BISHOP), -1);
    set_up("4k3/3b4/2ppp3/3p1p2/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(BAD_BISHOP), 1);

    // In the opening a bishop still at home takes only its table value, the pair and the
    // development penalty; a developed one takes the colour rule.
    set_up();
    test_support::play("e2e4"); // one moved pawn, on a light square
    BAD_BISHOP = 1000;
    GOOD_BISHOP = 100;
    BLOCKED_CENTER_PAWN = 10000;
    OBISHOP_PAIR = 7;
    UNDEVELOPED_PIECE = 3;
    Evaluation evaluation = test_support::game_evaluation();
    evaluation.scan_pawns();
    evaluation.bishop_terms<Phase::OPENING, White>(C1, 1, 3);
    EXPECT_EQ(evaluation.eval_score, -30 - 3);
    evaluation.bishop_terms<Phase::OPENING, White>(F1, 1, 6);
    EXPECT_EQ(evaluation.eval_score, (-30 - 3) + (-30 + 7 - 3));
    test_support::clear_weights();
    test_support::play_all({"e7e5", "f1c4"});
    EXPECT_EQ(weight_effect(BAD_BISHOP), -1); // c4 is light; c1 at home takes nothing
    EXPECT_EQ(weight_effect(GOOD_BISHOP), 0);
}

TEST_F(PieceTerms, BishopsInFrontOfCentrePawns) {
    // A bishop on d3 before the unmoved d-pawn: the blocked-centre term and the bishop's own,
    // whatever the bishop's colour; not in the endgame.
    for (const char* fen :
         {"4k3/8/8/8/8/3B4/3P4/4K3 w - - 0 1", "4k3/8/8/8/8/3b4/3P4/4K3 w - - 0 1"}) {
        set_up(fen);
        non_pawn_count = OPENING_COUNT;
        EXPECT_EQ(weight_effect(BLOCKED_CENTER_PAWN), -2) << fen;
        non_pawn_count = MIDDLEGAME_COUNT;
        EXPECT_EQ(weight_effect(BLOCKED_CENTER_PAWN), -2) << fen;
        non_pawn_count = ENDGAME_COUNT;
        EXPECT_EQ(weight_effect(BLOCKED_CENTER_PAWN), 0) << fen;
    }
    // On e6 before black's e7 pawn, for white.
    set_up("4k3/4p3/4B3/8/8/8/8/4K3 w - - 0 1");
    non_pawn_count = OPENING_COUNT;
    EXPECT_EQ(weight_effect(BLOCKED_CENTER_PAWN), 2);
    // The bishop's term does not ask whether the pawn behind it has moved.
    set_up("4k3/8/8/8/8/3B4/3P4/4K3 w - - 0 1");
    square_move_count[square_named("d2")] = 2;
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(BLOCKED_CENTER_PAWN), -1);
}

TEST_F(PieceTerms, TrappedBishops) {
    // Bxa7 and ...b6: the pawn is defended by c7 and the way out on b8 covered by the king.
    set_up("2k5/B1p5/1p6/8/8/8/8/4K3 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(TRAPPED_BISHOP), -1);
    non_pawn_count = OPENING_COUNT;
    EXPECT_EQ(weight_effect(TRAPPED_BISHOP), 0);
    non_pawn_count = ENDGAME_COUNT;
    EXPECT_EQ(weight_effect(TRAPPED_BISHOP), 0);
    // The pawn undefended, or b8 free: the bishop gets out.
    set_up("2k5/B7/1p6/8/8/8/8/4K3 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(TRAPPED_BISHOP), 0);
    set_up("4k3/B1p5/1p6/8/8/8/8/4K3 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(TRAPPED_BISHOP), 0);
    // The kingside pattern, h7 and g6, and black's on a2 and b3.
    set_up("5k2/5p1B/6p1/8/8/8/8/4K3 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(TRAPPED_BISHOP), -1);
    set_up("4k3/8/8/8/8/1P6/b1P5/2K5 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(TRAPPED_BISHOP), 1);
}

TEST_F(PieceTerms, MiddlegameBishopTakesAQuarterOfTheOutpost) {
    // e6: 4 for the centre file plus OUTPOSTED, shifted right by two bits (rounded down).
    set_up("4k3/8/4B3/8/8/8/8/4K3 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(OUTPOSTED, 10), 3 - 1);   // 14 / 4 = 3 against 4 / 4 = 1
    EXPECT_EQ(weight_effect(OUTPOSTED, -13), -3 - 1); // -9 rounds down to -3, not -2
    set_up("4k3/8/8/8/8/4b3/8/4K3 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(OUTPOSTED, 10), -2);
}

TEST_F(PieceTerms, RooksOnTheSeventhAndOnOpenFiles) {
    // Two rooks on the seventh: one bonus and one pair bonus in the middlegame and endgame,
    // two bonuses in the opening, which has no pair term.
    set_up("4k3/RR6/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(EROOK_ON_SEVENTH_BONUS), 1);
    EXPECT_EQ(weight_effect(EROOK_PAIR_ON_SEVENTH), 1);
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(MROOK_ON_SEVENTH_BONUS), 1);
    EXPECT_EQ(weight_effect(MROOK_PAIR_ON_SEVENTH), 1);
    EXPECT_EQ(weight_effect(MROOK_SEMI_OPEN_FILE), 2);
    EXPECT_EQ(weight_effect(MROOK_OPEN_FILE_BONUS), 2);
    EXPECT_EQ(weight_effect(DOUBLED_ROOKS), 1);
    non_pawn_count = OPENING_COUNT;
    EXPECT_EQ(weight_effect(OROOK_ON_SEVENTH_BONUS), 2);
    EXPECT_EQ(weight_effect(OROOK_PAIR_ON_SEVENTH), 0);
    EXPECT_EQ(weight_effect(OROOK_SEMI_OPEN_FILE), 2);
    EXPECT_EQ(weight_effect(OROOK_OPEN_FILE_BONUS), 2);
    // Black's seventh rank is the second.
    set_up("4k3/8/8/8/8/8/r7/4K3 w - - 0 1");
    EXPECT_EQ(weight_effect(EROOK_ON_SEVENTH_BONUS), -1);

    // The open e-file against the king on e8: semi-open, open, 5 more for the king's file, and
    // the attack on the king's file. With a black pawn on e7 the file is only half open.
    set_up("4k3/4n3/8/8/4R3/8/8/6K1 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(MROOK_SEMI_OPEN_FILE), 1);
    EXPECT_EQ(weight_effect(MROOK_OPEN_FILE_BONUS), 1);
    EXPECT_EQ(weight_effect(ROOK_ATTACK_KING), 1);
    const int32_t on_king_file = test_support::white_score();
    EXPECT_EQ(test_support::attack_distances().first, 0);
    set_up("4k3/4n3/8/8/3R4/8/8/6K1 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(on_king_file - test_support::white_score(), 5);
    EXPECT_EQ(weight_effect(ROOK_ATTACK_KING), 0);
    set_up("4k3/4p3/8/8/4R3/8/8/6K1 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(MROOK_SEMI_OPEN_FILE), 1);
    EXPECT_EQ(weight_effect(MROOK_OPEN_FILE_BONUS), 0);
    set_up("4k3/4n3/8/8/4R3/8/4P3/6K1 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(MROOK_SEMI_OPEN_FILE), 0);

    // Doubled rooks: every rook after the first on a file without own pawns, any such file.
    set_up("4k3/8/8/8/8/8/P7/RR1R2K1 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(DOUBLED_ROOKS), 1); // b1 and d1; a1 is behind its pawn
    set_up("4k3/8/8/8/8/8/8/RR1R2K1 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(DOUBLED_ROOKS), 2);
}

TEST_F(PieceTerms, QueensWorkAsHalfRooks) {
    // The e-file without pawns: half of each file bonus, truncated towards zero.
    set_up("6k1/8/8/8/4Q3/8/8/4K3 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(MROOK_SEMI_OPEN_FILE, 3), 1);
    EXPECT_EQ(weight_effect(MROOK_SEMI_OPEN_FILE, -3), -1);
    EXPECT_EQ(weight_effect(MROOK_OPEN_FILE_BONUS, 5), 2);
    EXPECT_EQ(weight_effect(QUEEN_ATTACK_KING), 0);
    // On the seventh, beside a rook: the rook is still the first rook there.
    set_up("6k1/QR6/8/8/8/8/8/4K3 w - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(MROOK_ON_SEVENTH_BONUS, 10), 10 + 5);
    EXPECT_EQ(weight_effect(MROOK_PAIR_ON_SEVENTH), 0);
    // On the king's file.
    set_up("6k1/8/8/8/8/8/8/4K1Q1 b - - 0 1");
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(QUEEN_ATTACK_KING), 1);
    EXPECT_EQ(test_support::attack_distances().first, 0);
    // No queen terms of the middlegame in the endgame: only the table.
    non_pawn_count = ENDGAME_COUNT;
    EXPECT_EQ(weight_effect(QUEEN_ATTACK_KING), 0);
}

TEST_F(PieceTerms, Development) {
    // The queen out while minor pieces are at home; black's queen at home.
    set_up("rnbqkbnr/pppp1ppp/8/4p2Q/4P3/8/PPPP1PPP/RNB1KBNR b KQkq - 1 2");
    EXPECT_EQ(weight_effect(EARLY_QUEEN_DEVELOPMENT), -1);
    EXPECT_EQ(weight_effect(UNDEVELOPED_PIECE), 0); // four at home on each side
    // Once b1, c1, f1 and g1 have all seen a move, the queen may go.
    for (const char* name : {"b1", "c1", "f1", "g1"})
        square_move_count[square_named(name)] = 1;
    EXPECT_EQ(weight_effect(EARLY_QUEEN_DEVELOPMENT), 0);
    EXPECT_EQ(weight_effect(UNDEVELOPED_PIECE), 4);
    // Black's queen out with g8 untouched.
    set_up("rnb1kbnr/pppp1ppp/8/4p3/4P2q/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
    EXPECT_EQ(weight_effect(EARLY_QUEEN_DEVELOPMENT), 1);
    // Only in the opening.
    non_pawn_count = MIDDLEGAME_COUNT;
    EXPECT_EQ(weight_effect(EARLY_QUEEN_DEVELOPMENT), 0);
    EXPECT_EQ(weight_effect(UNDEVELOPED_PIECE), 0);
}

} // namespace
