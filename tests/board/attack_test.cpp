// The attack test's answers before a move is made.
#include <gtest/gtest.h>

#include "board/attack.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "support/board_helpers.h"

namespace {

// A move's check, known before it is made: direct from every kind of piece (a promoted pawn as
// what it becomes), by discovery, and no check where a piece only blocks or stays on the line.
TEST(MayGiveCheck, AnswersAsMakingTheMoveWould) {
    struct Case {
        const char* fen;
        const char* move;
        bool check;
    };
    const Case cases[] = {
        {"k7/8/1K6/8/8/8/8/7R w - - 0 1", "h1h8", true},
        {"k7/8/1K6/8/8/8/8/7R w - - 0 1", "h1h7", false},
        {"4k3/8/8/8/8/8/8/4KB2 w - - 0 1", "f1b5", true},
        {"4k3/8/8/8/8/8/8/4KB2 w - - 0 1", "f1c4", false},
        {"4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", "b1d2", false},
        {"4k3/8/8/8/8/2N5/8/4K3 w - - 0 1", "c3d5", false},
        {"4k3/8/8/8/8/2N5/8/4K3 w - - 0 1", "c3d1", false},
        {"4k3/8/8/1N6/8/8/8/4K3 w - - 0 1", "b5d6", true},
        {"4k3/8/3P4/8/8/8/8/4K3 w - - 0 1", "d6d7", true},
        {"1k6/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8q", true},
        {"1k6/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8n", false},
        {"6k1/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8n", false},
        {"2k5/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8n", false},
        {"1k6/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8r", true},
        {"8/4P3/3k4/8/8/8/8/4K3 w - - 0 1", "e7e8n", true},
        {"4k3/8/8/8/4N3/8/8/4RK2 w - - 0 1", "e4c5", true},  // the rook behind
        {"4k3/8/8/8/4P3/8/8/4RK2 w - - 0 1", "e4e5", false}, // stays on the line
        {"4k3/8/8/8/8/8/8/Q3KN2 w - - 0 1", "e1e2", false},
        {"7k/8/8/8/3N4/8/1Q6/4K3 w - - 0 1", "d4c6", true}, // the queen's diagonal opens
        {"4k3/8/8/8/8/8/8/R3K3 b Q - 0 1", "e8d8", false},
        {"4k3/8/8/8/8/8/8/4K2R b - - 0 1", "e8f7", false},
        {"r3k3/8/8/8/8/8/8/3K4 b q - 0 1", "e8c8", true}, // castling: not worked out
    };
    for (const Case& c : cases) {
        test_support::set_up(c.fen);
        Move move;
        ASSERT_TRUE(parse_user_move(c.move, move)) << c.fen << " " << c.move;
        EXPECT_EQ(may_give_check(move), c.check) << c.fen << " " << c.move;
        // Where it says no, the move really gives none.
        if (!c.check) {
            MoveUndo undo;
            play_move(&move, 0, undo);
            EXPECT_FALSE(side_to_move_in_check()) << c.fen << " " << c.move;
            take_back_move(&move, 0, undo);
        }
    }
}

} // namespace
