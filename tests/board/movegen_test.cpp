// Generation order is part of the design: ordering ties, the book and the parser walk it.
#include <gtest/gtest.h>

#include <algorithm>

#include "board/attack.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "support/board_helpers.h"

namespace {

using test_support::generated_captures;
using test_support::generated_moves;
using test_support::set_up;
using test_support::square_named;
using Moves = std::vector<std::string>;

TEST(MoveGeneration, InitialPositionOrderAndPieceList) {
    set_up();
    EXPECT_EQ(generated_moves(), (Moves{"b1a3", "b1c3", "g1f3", "g1h3", "a2a4", "a2a3", "b2b4",
                                        "b2b3", "c2c4", "c2c3", "d2d4", "d2d3", "e2e4", "e2e3",
                                        "f2f4", "f2f3", "g2g4", "g2g3", "h2h4", "h2h3"}));
    EXPECT_TRUE(generated_captures().empty());
    EXPECT_EQ(piece_count, 32);
    EXPECT_EQ(piece_list[5], E1);
    EXPECT_EQ(piece_list[29], E8);
    for (int square = 0; square < BOARD_SQUARES; ++square)
        if (board[square] == EMPTY || board[square] == OFF_BOARD) {
            EXPECT_EQ(piece_index[square], 0);
        }
}

TEST(MoveGeneration, PromotionsComeQueenRookKnightBishopCapturesFirst) {
    set_up("k4r2/4P3/8/8/8/8/8/K7 w - - 0 1");
    Moves pawn_moves;
    for (const auto& move : generated_moves())
        if (move.starts_with("e7")) pawn_moves.push_back(move);
    EXPECT_EQ(pawn_moves,
              (Moves{"e7f8q", "e7f8r", "e7f8n", "e7f8b", "e7e8q", "e7e8r", "e7e8n", "e7e8b"}));
    set_up("n3k3/1P6/8/8/8/8/8/K7 w - - 0 1");
    EXPECT_EQ(generated_captures(),
              (Moves{"b7a8q", "b7a8r", "b7a8n", "b7a8b", "b7b8q", "b7b8r", "b7b8n", "b7b8b"}));
}

TEST(MoveGeneration, EnPassantIsGeneratedWithThePawnAsCapturedPiece) {
    set_up("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    bool found = false;
    for (int i = 0; i < count; ++i) {
        if (!list[i].ep_flag) continue;
        found = true;
        EXPECT_EQ(test_support::text_of(list[i]), "e5d6");
        EXPECT_EQ(list[i].captured, BLACK_PAWN);
        EXPECT_EQ(board[list[i].to], EMPTY);
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(generated_captures(), (Moves{"e5d6"}));
}

TEST(MoveGeneration, NoEnPassantForTheSideThatMadeTheDoubleStep) {
    // "white" hands the move back to white after d2d4: d3 is still the en-passant square, but no
    // black pawn stands behind it, and trying c2d3 used to bring one onto d2 when taken back.
    set_up("4k3/8/8/8/8/8/2PP4/4K3 w - - 0 1");
    test_support::play("d2d4");
    hand_move_to(1);
    ASSERT_EQ(ep_square, square_named("d3"));
    for (const auto& move : generated_moves())
        EXPECT_NE(move, "c2d3");
    EXPECT_TRUE(generated_captures().empty());
    // Black, whose pawn stands beside, may capture.
    set_up("4k3/8/8/8/4p3/8/2PP4/4K3 w - - 0 1");
    test_support::play("d2d4");
    EXPECT_EQ(generated_captures(), (Moves{"e4d3"}));
}

TEST(MoveGeneration, CaptureGeneratorSkipsQuietMovesAndStopsRaysAtTheFirstPiece) {
    set_up("4k3/8/8/8/8/8/P7/R3n1K1 w - - 0 1");
    EXPECT_EQ(generated_captures(), (Moves{"a1e1"}));
    set_up("4k3/8/8/8/8/4p3/8/4K3 b - - 0 1");
    EXPECT_TRUE(generated_captures().empty());
}

TEST(MoveGeneration, CastlingIsGeneratedWhateverTheChecksButNotAfterARookReturned) {
    set_up("4k3/8/8/8/8/8/6b1/4K2R w K - 0 1"); // the bishop attacks f1 and h1
    Moves moves = generated_moves();
    EXPECT_NE(std::find(moves.begin(), moves.end(), "e1g1"), moves.end());
    set_up("4k3/8/8/8/1b6/8/8/4K2R w K - 0 1"); // in check from b4
    moves = generated_moves();
    EXPECT_NE(std::find(moves.begin(), moves.end(), "e1g1"), moves.end());
    set_up("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    test_support::play_all({"h1h2", "e8d8", "h2h1", "d8e8"});
    moves = generated_moves();
    EXPECT_EQ(std::find(moves.begin(), moves.end(), "e1g1"), moves.end());
}

// The generated records of the game position, as text with every generated field.
std::vector<std::string> records(void (Position::*generate)(Move*, int32_t&) const) {
    Move list[MAX_MOVES];
    int32_t count = 0;
    (game_position.*generate)(list, count);
    std::vector<std::string> texts;
    for (int32_t i = 0; i < count; ++i)
        texts.push_back(test_support::record_of(list[i]));
    return texts;
}

TEST(MoveGeneration, QuietAndCaptureGeneratorsTogetherMakeTheFullList) {
    int positions = 0;
    test_support::for_each_generation_test_position([&](const std::string& where) {
        ++positions;
        Move list[MAX_MOVES];
        int32_t count = 0;
        generate_moves(list, count);
        // The quiet moves of the full list, in its order, are exactly the quiet generator's.
        Moves quiet_in_full_order;
        Moves all = records(&Position::generate_moves);
        for (int32_t i = 0; i < count; ++i)
            if (list[i].captured == EMPTY && list[i].promotion == 0)
                quiet_in_full_order.push_back(test_support::record_of(list[i]));
        const Moves quiets = records(&Position::generate_quiet_moves);
        EXPECT_EQ(quiets, quiet_in_full_order) << where;
        // With the captures and promotions they make the full list, each move once.
        Move captures[MAX_MOVES];
        int32_t capture_count = 0;
        generate_captures(captures, capture_count);
        for (int32_t i = 0; i < capture_count; ++i)
            EXPECT_TRUE(captures[i].captured != EMPTY || captures[i].promotion != 0)
                << where << ": " << test_support::text_of(captures[i]);
        Moves both = records(&Position::generate_captures);
        both.insert(both.end(), quiets.begin(), quiets.end());
        std::sort(both.begin(), both.end());
        std::sort(all.begin(), all.end());
        EXPECT_EQ(both, all) << where;
        EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << where;
    });
    EXPECT_GT(positions, 200);
}

// A move from elsewhere (the table, a killer) is found exactly when the full generator has a
// move with its squares and promotion, and is then that move as generated here.
TEST(MoveGeneration, FindingAMoveAgreesWithTheFullGenerator) {
    test_support::for_each_generation_test_position(
        [&](const std::string& where) {
            Move list[MAX_MOVES];
            int32_t count = 0;
            generate_moves(list, count);
            const uint8_t promotions[] = {
                0,           WHITE_QUEEN, WHITE_ROOK,   WHITE_KNIGHT, WHITE_BISHOP,
                BLACK_QUEEN, BLACK_ROOK,  BLACK_KNIGHT, BLACK_BISHOP};
            int found_count = 0;
            for (int from = 0; from < BOARD_SQUARES; ++from) {
                for (int to = 0; to < BOARD_SQUARES; ++to) {
                    for (uint8_t promotion : promotions) {
                        Move wanted{};
                        wanted.from = static_cast<uint8_t>(from);
                        wanted.to = static_cast<uint8_t>(to);
                        wanted.promotion = promotion;
                        // Fields a stale record may carry, which must not matter.
                        wanted.captured = WHITE_QUEEN;
                        wanted.castle = CASTLE_BLACK_QUEENSIDE;
                        const Move* expected = nullptr;
                        for (int32_t i = 0; i < count && expected == nullptr; ++i)
                            if (same_move(list[i], wanted)) expected = &list[i];
                        Move found = NULL_MOVE;
                        const bool was_found = game_position.find_generated_move(wanted, found);
                        ASSERT_EQ(was_found, expected != nullptr)
                            << where << ": " << test_support::text_of(wanted);
                        if (!was_found) continue;
                        ++found_count;
                        EXPECT_EQ(test_support::record_of(found),
                                  test_support::record_of(*expected))
                            << where;
                    }
                }
            }
            EXPECT_EQ(found_count, count) << where;
        },
        2, 40);
}

TEST(AttackDetection, PawnsKingsSlidersAndCastlingSquares) {
    set_up();
    EXPECT_FALSE(side_to_move_in_check());
    EXPECT_TRUE(square_attacked(55, true));  // f3 by pawns e2, g2 and the g1 knight
    EXPECT_TRUE(square_attacked(91, false)); // f6
    EXPECT_FALSE(square_attacked(square_named("e4"), true));

    set_up("4k3/8/8/4p3/4P3/8/8/4K3 w - - 0 1");
    EXPECT_TRUE(square_attacked(square_named("d5"), true));
    EXPECT_TRUE(square_attacked(square_named("f5"), true));
    EXPECT_FALSE(square_attacked(square_named("d3"), true));
    EXPECT_TRUE(square_attacked(square_named("d4"), false));
    EXPECT_FALSE(square_attacked(square_named("d6"), false));

    // A rook sees along empty squares; any piece in between blocks it, a pawn that does not
    // capture that way included.
    set_up("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    EXPECT_TRUE(square_attacked(square_named("a8"), true));
    set_up("4k3/8/8/8/P7/8/8/R3K3 w - - 0 1");
    EXPECT_FALSE(square_attacked(square_named("a8"), true));
    set_up("4k3/8/8/8/8/8/1p6/B3K3 w - - 0 1");
    EXPECT_FALSE(square_attacked(square_named("h8"), true));

    // Adjacent kings attack each other's squares.
    set_up("8/8/8/3k4/8/3K4/8/8 w - - 0 1");
    EXPECT_TRUE(square_attacked(square_named("d4"), true));
    EXPECT_TRUE(square_attacked(square_named("d4"), false));
}

// The attack test the slow way: step along every line from the square.
bool attacked_by_stepping(int square, bool by_white) {
    const int32_t pawn = by_white ? WHITE_PAWN : BLACK_PAWN,
                  knight = by_white ? WHITE_KNIGHT : BLACK_KNIGHT;
    const int32_t king = by_white ? WHITE_KING : BLACK_KING,
                  queen = by_white ? WHITE_QUEEN : BLACK_QUEEN;
    const int32_t rook = by_white ? WHITE_ROOK : BLACK_ROOK,
                  bishop = by_white ? WHITE_BISHOP : BLACK_BISHOP;
    const int pawn_step = by_white ? -12 : 12;
    if (board[square + pawn_step - 1] == pawn || board[square + pawn_step + 1] == pawn) return true;
    for (int jump : KNIGHT_JUMPS)
        if (board[square + jump] == knight) return true;
    for (int step : KING_STEPS) {
        if (board[square + step] == king) return true;
        int target = square + step;
        while (board[target] == EMPTY)
            target += step;
        const bool straight = step == 1 || step == -1 || step == 12 || step == -12;
        if (board[target] == queen || board[target] == (straight ? rook : bishop)) return true;
    }
    return false;
}

TEST(AttackDetection, EverySquareAgreesWithSteppingAlongTheLines) {
    // Sliders near and far, pinned and blocking pieces, promoted pieces, kings on edges.
    const char* positions[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "QQ5k/8/8/3b4/8/8/6q1/K6B b - - 0 1",
        "1k2r3/1pp2Q2/p1n5/8/3B4/2N5/PPP2qPP/2K1R3 b - - 0 1"};
    for (const char* fen : positions) {
        set_up(fen);
        for (int square = A1; square <= H8; ++square) {
            if (board[square] == OFF_BOARD) continue;
            for (bool by_white : {true, false})
                EXPECT_EQ(square_attacked(square, by_white), attacked_by_stepping(square, by_white))
                    << fen << " square " << square << (by_white ? " by white" : " by black");
        }
    }
}

TEST(AttackDetection, MovesFromUnscreenedSquaresAreAllLegal) {
    // Pins on a file, a diagonal and a rank, a pinned pawn, en passant along the king's rank, a
    // side in check, and positions with sliders on the king's lines behind several pieces.
    const char* positions[] = {"4k3/4r3/8/b7/7q/8/3NBP2/4K3 w - - 0 1",
                               "8/8/8/KPp4r/8/8/8/7k w - c6 0 1",
                               "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
                               "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
                               "1k2r3/1pp2Q2/p1n5/8/3B4/2N5/PPP2qPP/2K1R3 b - - 0 1",
                               "4k3/8/8/8/8/8/4q3/R3K2R w KQ - 0 1"};
    for (const char* fen : positions) {
        set_up(fen);
        const bool in_check = side_to_move_in_check();
        const uint64_t screened = squares_needing_legality_test(in_check);
        Move list[MAX_MOVES];
        int32_t count = 0;
        generate_moves(list, count);
        int illegal_moves = 0;
        for (int i = 0; i < count; ++i) {
            MoveUndo undo;
            const bool legal = play_move(list, i, undo);
            take_back_move(list, i, undo);
            illegal_moves += legal ? 0 : 1;
            if ((screened & square_bit[list[i].from]) == 0 && !list[i].ep_flag) {
                EXPECT_TRUE(legal) << fen << " move " << i;
            }
        }
        // Each position has a move the screen must catch.
        EXPECT_GT(illegal_moves, 0) << fen;
    }
}

TEST(AttackDetection, CheckEvasionScreenKeepsExactlyTheAnswersToTheCheck) {
    // A rook's check that a knight blocks or takes, a knight's check only a capture answers, a
    // pawn's check answered en passant or by a capture, a queen's diagonal check, and a double
    // check. No piece of the side in check is pinned, so a move other than the king's or en
    // passant is legal exactly when it takes the checker or blocks the line.
    const char* positions[] = {
        "4k3/8/8/8/4r3/2N5/1B6/R3K3 w Q - 0 1", "4k3/8/8/8/8/3n4/8/R3KB1R w KQ - 0 1",
        "8/8/8/2k5/3Pp3/1n6/8/4K3 b - d3 0 1", "4k3/8/8/8/1q6/8/8/4KNR1 w - - 0 1",
        "4k3/8/8/8/8/5n2/1N4B1/r3K3 w - - 0 1"};
    for (const char* fen : positions) {
        set_up(fen);
        ASSERT_TRUE(side_to_move_in_check()) << fen;
        const uint64_t evasion_squares = check_evasion_squares();
        Move list[MAX_MOVES];
        int32_t count = 0;
        generate_moves(list, count);
        for (int i = 0; i < count; ++i) {
            const bool king_move =
                board[list[i].from] == WHITE_KING || board[list[i].from] == BLACK_KING;
            const bool may_answer = may_answer_check(list[i], evasion_squares);
            MoveUndo undo;
            const bool legal = play_move(list, i, undo);
            take_back_move(list, i, undo);
            if (legal) {
                EXPECT_TRUE(may_answer) << fen << " move " << i;
            }
            if (!king_move && !list[i].ep_flag) {
                EXPECT_EQ(may_answer, legal) << fen << " move " << i;
            }
        }
    }
}

TEST(AttackDetection, CastlingLegalityTestsKingSquaresOnly) {
    auto castle_is_legal = [](const char* fen, uint8_t castle) {
        set_up(fen);
        Move list[MAX_MOVES];
        int32_t count = 0;
        generate_moves(list, count);
        for (int i = 0; i < count; ++i) {
            if (list[i].castle != castle) continue;
            MoveUndo undo;
            const bool legal = play_move(list, i, undo);
            take_back_move(list, i, undo);
            return legal;
        }
        ADD_FAILURE() << "castling not generated in " << fen;
        return false;
    };
    EXPECT_FALSE(castle_is_legal("4k3/8/8/8/8/8/6b1/4K2R w K - 0 1", CASTLE_WHITE_KINGSIDE));
    EXPECT_TRUE(castle_is_legal("4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", CASTLE_WHITE_QUEENSIDE));
    // An attack on b1 does not matter; one on c1 does.
    EXPECT_TRUE(castle_is_legal("1r2k3/8/8/8/8/8/8/R3K3 w Q - 0 1", CASTLE_WHITE_QUEENSIDE));
    EXPECT_FALSE(castle_is_legal("2r1k3/8/8/8/8/8/8/R3K3 w Q - 0 1", CASTLE_WHITE_QUEENSIDE));
    EXPECT_FALSE(castle_is_legal("r3k2r/8/8/8/8/8/8/4R1K1 b kq - 0 1", CASTLE_BLACK_KINGSIDE));
    Move odd{};
    odd.castle = 7;
    EXPECT_FALSE(move_was_legal(&odd, 0));
}

} // namespace
