// Colour symmetry: a position and its mirror image (ranks reversed, colours swapped, the other
// side to move) must score the same for the side to move, with every term weighted.
//
// The evaluation is not symmetric in three places, by design, and the test deals with each:
// - The colour-complex rule (BAD_BISHOP / GOOD_BISHOP) applies only to a light-square majority
//   of pawns, and mirroring turns light squares dark. Those two weights stay 0 here; their own
//   tests cover them.
// - The opening and middlegame read black's king table as white's turned through 180 degrees,
//   and the middlegame and endgame read white's knight and bishop tables for black unmirrored.
//   These tables differ from their mirror images on the back ranks only (kings on b..g, knights
//   on b and g, bishops on c and f). table_asymmetry() adds up exactly those differences, so
//   the two scores must sum to it; a position without such a placement must cancel exactly.
// - OFFENSIVENESS is a whole number here, so the attack-distance term adds a whole number and
//   its truncation cannot break the sum. Its truncation has its own test.
// Pawnless endings the material rules score as draws must keep their knights and bishops off
// those back-rank squares: the draw replaces the table values as well.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/game.h"
#include "eval/tables.h"
#include "support/board_helpers.h"
#include "support/eval_helpers.h"
#include "tools/bench_positions.h"

namespace {

int mirror_square(int square) {
    return square_at(file_of[square] - 1, 8 - rank_of[square]);
}

// What the tables give the pieces of the current position minus what the mirrored position's
// pieces get from theirs, summed from white's side.
int32_t table_asymmetry() {
    const bool endgame = non_pawn_count <= 6, opening = non_pawn_count >= 13;
    int32_t sum = 0;
    for (int square = A1; square <= H8; ++square) {
        const int mirror = mirror_square(square);
        switch (board[square]) {
        case WHITE_KING:
            if (!endgame) sum += king_pst_white[square] - king_pst_black[mirror];
            break;
        case BLACK_KING:
            if (!endgame) sum += king_pst_white[mirror] - king_pst_black[square];
            break;
        case WHITE_KNIGHT:
            if (!opening) sum += knight_pst_white[square] - knight_pst_white[mirror];
            break;
        case BLACK_KNIGHT:
            if (!opening) sum += knight_pst_white[mirror] - knight_pst_white[square];
            break;
        case WHITE_BISHOP:
            if (!opening) sum += bishop_pst_white[square] - bishop_pst_white[mirror];
            break;
        case BLACK_BISHOP:
            if (!opening) sum += bishop_pst_white[mirror] - bishop_pst_white[square];
            break;
        default: break;
        }
    }
    return sum;
}

// Every weight non-zero and different, some negative, except the colour-complex pair.
void load_symmetry_weights() {
    int32_t value = 3;
    for (const ParameterItem& item : PARAMETER_ITEMS) {
        if (item.integer == nullptr) continue;
        *item.integer = value % 2 == 0 ? -value : value;
        value += 4;
    }
    BAD_BISHOP = 0;
    GOOD_BISHOP = 0;
    OFFENSIVENESS = -3.0f;
}

// The bench positions are checked too. Openings, middlegames and endgames with castled and
// uncastled kings, kings on opposite wings, passed, doubled, isolated and backward pawns, outposts,
// rooks on open files and on the seventh, trapped pieces, promoted pieces and the material rules.
const std::vector<std::string> POSITIONS = {
    // Openings.
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
    "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "rnbqk2r/ppp1bppp/4pn2/3p2B1/2PP4/2N5/PP2PPPP/R2QKBNR w KQkq - 4 5",
    "rnb1kbnr/pppp1ppp/8/4p3/4P2q/3P4/PPP2PPP/RNBQKBNR w KQkq - 1 3",
    "rn1qkbnr/pbpppppp/1p6/8/3P4/3B4/PPP1PPPP/RNBQK1NR b KQkq - 2 3",
    "r1bq1rk1/pppp1ppp/2n2n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQK2R w KQ - 1 6",
    "rnbqk1nr/pppp1ppp/8/4p3/1b2P3/2N5/PPPPKPPP/R1BQ1BNR b kq - 3 3",
    "rnbq1bnr/ppppkppp/8/4p3/4P3/8/PPPPKPPP/RNBQ1BNR w - - 2 3",
    "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
    "r1bq1rk1/pp2ppbp/2np1np1/8/3NP1P1/2N1BP2/PPPQ3P/2KR1B1R b - - 0 9",
    "r1bq1rk1/ppp2ppp/2n2n2/2b1p3/4P3/2NPB3/PPPQ1PPP/2KR1BNR w - - 0 7",
    "2kr1bnr/pbpq1ppp/1pnp4/4p3/2B1P2P/2NP1N2/PPP2PP1/R1BQ1RK1 w - - 0 8",
    // Middlegames.
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "2kr3r/ppp2ppp/2n5/2b1p3/4P1b1/2NP1N2/PPP2PPP/R4RK1 b - - 0 12",
    "r2q1rk1/pp2bppp/2n1pn2/3p4/3P4/2NBPN2/PP3PPP/R2QK2R w KQ - 0 10",
    "1k1r3r/pppq1ppp/2n5/3p4/3P4/2N5/PPPQ1PPP/2KR3R w - - 0 15",
    "6k1/1R3ppp/8/3N4/8/8/r4PPP/1R4K1 w - - 0 30",
    "r4rk1/pp3ppp/2p5/3pP3/3P1Q2/2PB4/P4PPP/R4RK1 b - - 0 18",
    "2r2rk1/Bp3ppp/1p6/8/8/8/1PP2PPP/3R1RK1 w - - 0 20",
    "4rrk1/pp3ppp/8/8/4R3/4R3/PP3PPP/6K1 w - - 0 25",
    "r3r1k1/1p3ppp/p1n5/3N4/8/P7/1PP2PPP/R4RK1 b - - 0 22",
    "3q1rk1/1p3ppp/pB6/8/8/8/PP3PPP/3Q1RK1 w - - 0 21",
    "rn2k2r/ppp2ppp/3b4/8/8/8/PPP2PPP/RN2KB1R w KQkq - 0 12",
    "r4rk1/6pp/8/8/8/8/6PP/R4RK1 w - - 0 30",
    "5rk1/pp3ppp/8/2Q5/8/8/PP3PPP/1q3RK1 w - - 0 30",
    "q3r1k1/5ppp/8/8/8/8/5PPP/Q3R1K1 b - - 0 30",
    "2r2rk1/5ppp/p3b3/1p6/8/PP1BB3/5PPP/2RR2K1 w - - 0 25",
    "1r3rk1/p4ppp/2b5/8/8/2B5/P4PPP/1R3RK1 w - - 0 25",
    // Endgames.
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/4k3/3p4/3P4/4K3/8/8 w - - 0 40",
    "8/P7/8/8/8/5k2/8/1K6 b - - 0 50",
    "8/5pk1/6p1/7p/P7/1P6/6K1/8 w - - 0 40",
    "8/8/2k5/8/8/2PP4/2P5/2K5 w - - 0 40",
    "4k3/8/8/8/8/8/8/4K3 w - - 0 60",
    "4k3/8/8/3N4/8/8/8/4K3 b - - 0 60",
    "4k3/8/8/3NN3/8/8/8/4K3 w - - 0 60",
    "4k3/8/8/3NNN2/8/8/8/4K3 w - - 0 60",
    "4k3/8/8/3B4/8/8/8/4K3 w - - 0 60",
    "4k3/8/8/3BB3/8/8/8/4K3 w - - 0 60",
    "4k3/8/3b4/3BB3/8/8/8/4K3 w - - 0 60",
    "4k3/8/8/3BN3/8/8/8/4K3 w - - 0 60",
    "4k3/8/3n4/3B4/8/8/8/4K3 b - - 0 60",
    "4k3/8/3r4/3R4/8/8/8/4K3 w - - 0 60",
    "4k3/8/3r4/3RN3/8/8/8/4K3 w - - 0 60",
    "4k3/8/3r4/2BRN3/8/8/8/4K3 w - - 0 60",
    "4k3/8/3b4/3R4/8/8/8/4K3 b - - 0 60",
    "4k3/8/3nn3/3R4/8/8/8/4K3 w - - 0 60",
    "4k3/8/8/3R4/8/8/8/4K3 w - - 0 60",
    "4k3/8/3r4/2RR4/8/8/8/4K3 w - - 0 60",
    "4k3/8/3r4/3Q4/8/8/8/4K3 w - - 0 60",
    "4k3/pp6/3r4/3Q4/8/8/PP6/4K3 w - - 0 60",
    "4k3/pp6/8/3N4/8/8/PP6/4K3 w - - 0 60",
    "4k3/pp6/3r4/3BN3/8/8/PP6/4K3 b - - 0 60",
    "1n2k3/pp6/3r4/3BN3/8/8/PP6/4K1B1 w - - 0 60",
    "7k/pp6/3r4/2BBN3/8/5K2/PP6/8 w - - 0 60",
    "6k1/5ppp/8/8/8/8/R4PPP/6K1 w - - 0 40",
    "8/1R4pk/7p/8/8/7P/r5PK/8 b - - 0 45",
    "8/7k/8/8/8/8/3QBBB1/3K4 w - - 0 70",
    "2q5/8/2k5/8/8/8/3QNB2/3K4 b - - 0 70",
};

// The position with the other side to move (and no en-passant square), when that is legal.
bool with_other_side_to_move(const std::string& fen, std::string& flipped) {
    std::istringstream fields(fen);
    std::string placement, side, castling, en_passant;
    fields >> placement >> side >> castling >> en_passant;
    flipped = placement + (side == "w" ? " b " : " w ") + castling + " -";
    std::string error;
    return set_position_from_fen(flipped, error);
}

// White's view of the current position's score plus white's view of its mirror image's.
int32_t white_sum_with_mirror(const std::string& fen) {
    test_support::set_up(fen);
    const int32_t score = evaluate();
    const int32_t sign = side_to_move == 1 ? 1 : -1;
    test_support::set_up(test_support::mirrored_fen(fen));
    return sign * score - sign * evaluate(); // the mirror has the other side to move
}

TEST(EvaluationSymmetry, MirroredPositionsScoreAlikeForTheSideToMove) {
    load_symmetry_weights();
    std::vector<std::string> positions = POSITIONS;
    positions.insert(positions.end(), std::begin(BENCH_POSITIONS), std::end(BENCH_POSITIONS));
    int checked = 0;
    for (const std::string& fen : positions) {
        std::string flipped;
        for (const std::string& position :
             {fen, with_other_side_to_move(fen, flipped) ? flipped : fen}) {
            test_support::set_up(position);
            const int32_t asymmetry = table_asymmetry();
            EXPECT_EQ(white_sum_with_mirror(position), asymmetry)
                << position << "\nmirrored: " << test_support::mirrored_fen(position);
            ++checked;
        }
    }
    EXPECT_EQ(checked, 2 * static_cast<int>(positions.size()));
    test_support::clear_weights();
}

TEST(EvaluationSymmetry, MirroringAFenTwiceGivesItBack) {
    for (const std::string& fen : POSITIONS)
        EXPECT_EQ(test_support::mirrored_fen(test_support::mirrored_fen(fen)), fen);
    EXPECT_EQ(test_support::mirrored_fen("r3k2r/8/8/3pP3/8/8/8/R3K2R w Kq d6 0 7"),
              "r3k2r/8/8/8/3Pp3/8/8/R3K2R b Qk d3 0 7");
}

} // namespace
