// Leaf counts of the standard positions: the move generator, make/unmake and the legality test
// must agree with the counts every engine author checks against.
#include <gtest/gtest.h>

#include "board/game.h"
#include "board/perft.h"
#include "support/board_helpers.h"

namespace {

struct PerftCase {
    const char* fen;
    int depth;
    uint64_t nodes;
};

// The deeper counts run as their own CTest tests (label "deep") through the perft tool.
const PerftCase PERFT_CASES[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 5, 4865609},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 4, 4085603},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 6, 11030083},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 4, 422333},
    {"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", 4, 422333},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 4, 2103487},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4, 3894594},
};

TEST(Perft, StandardPositionsMatchReferenceCounts) {
    for (const auto& c : PERFT_CASES) {
        test_support::set_up(c.fen);
        EXPECT_EQ(perft(c.depth), c.nodes) << c.fen << " depth " << c.depth;
    }
}

TEST(Perft, ShallowDepthsOfKiwipete) {
    test_support::set_up("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    EXPECT_EQ(perft(1), 48u);
    EXPECT_EQ(perft(2), 2039u);
    EXPECT_EQ(perft(3), 97862u);
}

TEST(Perft, DivideSumsToTheTotalAndListsLegalRootMoves) {
    test_support::set_up();
    uint64_t sum = 0;
    int roots = 0;
    const uint64_t total = perft_divide(3, [&](const Move& move, uint64_t leaves) {
        ++roots;
        sum += leaves;
        if (test_support::text_of(move) == "e2e4") {
            EXPECT_EQ(leaves, 600u);
        }
    });
    EXPECT_EQ(roots, 20);
    EXPECT_EQ(sum, total);
    EXPECT_EQ(total, 8902u);
}

} // namespace
