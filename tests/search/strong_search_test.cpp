// The strong search: mates and tactics at fixed depth, legal moves everywhere, no mate in one
// lost to pruning, the root's game-end detection and its order of moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "board/attack.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/movegen.h"
#include "protocol/engine_turn.h"
#include "search/classic/iterate.h"
#include "search/scores.h"
#include "search/strong/correction.h"
#include "search/strong/ordering.h"
#include "search/strong/root.h"
#include "search/strong/search.h"
#include "search/strong/table.h"
#include "search/strong/thread.h"
#include "search/transposition.h"
#include "support/board_helpers.h"
#include "support/search_helpers.h"
#include "tools/bench_positions.h"

namespace {

// A search thread of its own on the game position, with empty tables, as a new game has them.
std::unique_ptr<SearchThread> thread_on_game_position() {
    auto thread = std::make_unique<SearchThread>();
    thread->copy_from(game_position);
    thread->forget_everything();
    return thread;
}

using test_support::strong_best_move_at_depth;

TEST(StrongSearch, SolvesMatesAndTacticsAtFixedDepth) {
    // Mates in one, for either side, and the four-move mate on f7.
    EXPECT_EQ(strong_best_move_at_depth("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 3), "d1d8");
    EXPECT_EQ(strong_best_move_at_depth("3r2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1", 3), "d8d1");
    EXPECT_EQ(strong_best_move_at_depth(
                  "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4", 3),
              "h5f7");
    // Mates in two: a knight check that opens the bishop's diagonal, a queen sacrifice on h6,
    // a rook sacrifice on g1 for black.
    EXPECT_EQ(strong_best_move_at_depth(
                  "r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 1", 6),
              "d5f6");
    EXPECT_EQ(strong_best_move_at_depth(
                  "r1bq2r1/b4pk1/p1pp1p2/1p2pP2/1P2P1PB/3P4/1PPQ2P1/R3K2R w - - 0 1", 6),
              "d2h6");
    EXPECT_EQ(strong_best_move_at_depth("6k1/pp4p1/2p5/2bp4/8/P5Pb/1P3rrP/2BRRN1K b - - 0 1", 6),
              "g2g1");
    // Tactics: a knight fork of king and rook, the king taking an unprotected queen.
    EXPECT_EQ(strong_best_move_at_depth("r3k3/ppp2ppp/8/3N4/8/8/PPP2PPP/4K3 w - - 0 1", 6), "d5c7");
    EXPECT_EQ(strong_best_move_at_depth("4k3/8/8/8/8/8/3q4/3RK3 w - - 0 1", 5), "e1d2");
}

// The move must be one of the position's legal moves, as the move parser finds them.
void expect_legal_choice(const std::string& fen, int depth) {
    const std::string best = strong_best_move_at_depth(fen, depth);
    test_support::set_up(fen);
    Move parsed;
    EXPECT_TRUE(parse_user_move(best.c_str(), parsed)) << fen << ": " << best;
}

TEST(StrongSearch, BestMoveIsLegalInVariedPositions) {
    for (const char* fen : BENCH_POSITIONS)
        expect_legal_choice(fen, 6);
    // In check, with few replies; en passant as the only way out; promotions; castling rights.
    expect_legal_choice("4k3/8/8/8/8/8/4r3/R3K3 w Q - 0 1", 6);
    expect_legal_choice("8/8/8/2k5/3Pp3/8/8/4K2B b - d3 0 1", 6);
    expect_legal_choice("8/1P4k1/8/8/8/8/6p1/4K3 w - - 0 1", 6);
    expect_legal_choice("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", 6);
}

// True when `move_text` mates at once in `fen`.
bool mates_at_once(const std::string& fen, const std::string& move_text) {
    test_support::set_up(fen);
    Move move;
    if (!parse_user_move(move_text.c_str(), move)) return false;
    test_support::play(move_text);
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    for (int i = 0; i < count; ++i) {
        MoveUndo undo;
        const bool legal = play_move(list, i, undo);
        take_back_move(list, i, undo);
        if (legal) return false;
    }
    return side_to_move_in_check();
}

// A mate in one found at every depth: futility, razoring, null move, reductions and late move
// pruning must not hide it, also when the mating move is quiet or a promotion.
TEST(StrongSearch, PruningNeverMissesAMateInOne) {
    const char* const positions[] = {
        "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
        "3r2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1",
        "7k/5Q2/6K1/8/8/8/8/8 w - - 0 1",
        "k7/8/1K6/8/8/8/8/7R w - - 0 1",
        "7k/1P6/6K1/8/8/8/8/8 w - - 0 1",
        "rnbqkbnr/ppppp2p/5p2/6p1/4P3/3P4/PPP2PPP/RNBQKBNR w KQkq - 0 3",
        "r1b2rk1/pp3ppp/2p5/8/8/1QN5/PPP2qPP/R1B2R1K b - - 0 1",
    };
    for (const char* fen : positions) {
        for (int depth = 1; depth <= 9; ++depth) {
            const std::string best = strong_best_move_at_depth(fen, depth);
            EXPECT_EQ(root_score, MATE_SCORE - 2) << fen << " depth " << depth;
            EXPECT_TRUE(mates_at_once(fen, best)) << fen << " depth " << depth << ": " << best;
        }
    }
}

// The opponent's mate in one after the root's move is seen at every depth that reaches it:
// late move pruning once pruned the rook's quiet mating check (k7/8/1K6/.../7R b), and
// futility every quiet move of a side far behind in material (the three knights). The root's
// move is forced, or the only one searched, for either colour.
TEST(StrongSearch, PruningNeverHidesTheOpponentsMateInOne) {
    const std::pair<const char*, const char*> positions[] = {
        {"k7/8/1K6/8/8/8/8/7R b - - 0 1", "a8b8"},
        {"K7/8/1k6/8/8/8/8/7r w - - 0 1", "a8b8"},
        {"6k1/5ppp/8/8/8/8/5PPP/nnnR2K1 b - - 0 1", "a1b3"},
        {"NNNr2k1/5ppp/8/8/8/8/5PPP/6K1 w - - 0 1", "a8b6"},
    };
    for (const auto& [fen, root_move] : positions) {
        for (int depth = 2; depth <= 8; ++depth) {
            test_support::set_up(fen);
            test_support::QuietSearch quiet(depth);
            strong_new_game();
            Move only;
            ASSERT_TRUE(parse_user_move(root_move, only));
            search_limits.search_moves[0] = only;
            search_limits.search_move_count = 1;
            node_count = 0;
            ply = 0;
            strong_search_best_move();
            EXPECT_EQ(root_score, 2 - MATE_SCORE + 1) << fen << " depth " << depth;
        }
    }
}

TEST(StrongSearch, RootReportsMateStalemateAndDraws) {
    EXPECT_EQ(strong_best_move_at_depth("6k1/5ppp/8/8/8/8/q4PPP/1r4K1 w - - 0 1", 4), "none");
    EXPECT_EQ(game_state, BLACK_MATES);
    EXPECT_EQ(strong_best_move_at_depth("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 4), "none");
    EXPECT_EQ(game_state, STALEMATE);
    EXPECT_EQ(strong_best_move_at_depth("4k3/8/8/8/8/8/3Q4/4K3 w - - 101 90", 4), "none");
    EXPECT_EQ(game_state, FIFTY_MOVE_DRAW);
    // A mate on the last move before the fifty-move draw still counts.
    EXPECT_EQ(strong_best_move_at_depth("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 100 90", 3), "d1d8");
    EXPECT_EQ(game_state, WHITE_MATES);
}

// A quiet move that cut off after a given move rises after that move (and after the move
// before it), not after another one; the quiet moves tried before it fall.
TEST(StrongSearch, ContinuationHistoryLearnsAfterWhichMoveAMoveCuts) {
    test_support::set_up("4k3/8/8/3p4/4P3/8/8/4K2R w K - 0 1");
    const auto thread = thread_on_game_position();
    SearchThread& t = *thread;
    Move rook_up, king_step;
    ASSERT_TRUE(parse_user_move("h1h5", rook_up));
    ASSERT_TRUE(parse_user_move("e1f2", king_step));
    t.ply = 3;
    auto after = [&](int32_t piece, const char* square) {
        t.moved_piece_stack[t.ply] = piece;
        t.move_stack[t.ply].to = static_cast<uint8_t>(test_support::square_named(square));
        t.moved_piece_stack[t.ply - 1] = WHITE_KING;
        t.move_stack[t.ply - 1].to = static_cast<uint8_t>(test_support::square_named("e1"));
    };
    after(BLACK_PAWN, "d5");
    EXPECT_EQ(t.history_of(rook_up), 0);
    t.reward_quiet_cutoff(rook_up, 6, &king_step, 1);
    const int32_t learnt = t.history_of(rook_up);
    EXPECT_GT(learnt, 0);
    EXPECT_LT(t.history_of(king_step), 0);
    // After another move only the plain history and the move two plies back still count.
    after(BLACK_KING, "d7");
    EXPECT_GT(t.history_of(rook_up), 0);
    EXPECT_LT(t.history_of(rook_up), learnt);
    // And every table stays within its limit however often it learns.
    after(BLACK_PAWN, "d5");
    for (int i = 0; i < 1000; ++i)
        t.reward_quiet_cutoff(rook_up, 30, nullptr, 0);
    EXPECT_LE(t.history_of(rook_up), 3 * HISTORY_LIMIT);
    EXPECT_GT(t.history_of(rook_up), 2 * HISTORY_LIMIT);
    t.clear_strong_ordering();
    EXPECT_EQ(t.history_of(rook_up), 0);
}

// Captures of one victim are ordered by how captures like them fared: the capture that cut
// rises above the one tried before it, in the main search's ordering and in the quiescence
// search's, but never above the capture of a more valuable victim; a new game forgets it.
TEST(StrongSearch, CaptureHistoryOrdersTheCapturesOfOneVictim) {
    test_support::set_up("4k3/8/8/1r1p4/4B3/2N5/8/4K3 w - - 0 1");
    const auto thread = thread_on_game_position();
    SearchThread& t = *thread;
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    auto index_of = [&](const char* text) {
        const int32_t index = test_support::index_of_move(list, count, text);
        EXPECT_GE(index, 0) << text << " not generated";
        return std::max(index, 0);
    };
    const int32_t knight_takes_pawn = index_of("c3d5"), bishop_takes_pawn = index_of("e4d5");
    const int32_t knight_takes_rook = index_of("c3b5");
    t.ply = 2;
    int32_t scores[MAX_MOVES];
    auto both_orderings = [&](auto&& check) {
        t.score_moves(list, scores, count, NULL_MOVE);
        check("main search");
        t.score_captures(list, scores, count);
        check("quiescence");
    };
    // Untaught, the two pawn captures rank alike (a knight and a bishop count the same).
    both_orderings([&](const char* where) {
        EXPECT_EQ(scores[knight_takes_pawn], scores[bishop_takes_pawn]) << where;
    });
    t.reward_capture_cutoff(list[bishop_takes_pawn], 8, &list[knight_takes_pawn], 1);
    both_orderings([&](const char* where) {
        EXPECT_GT(scores[bishop_takes_pawn], scores[knight_takes_pawn]) << where;
    });
    // However often a pawn capture cuts and the rook capture fails, the rook comes first.
    for (int i = 0; i < 1000; ++i)
        t.reward_capture_cutoff(list[bishop_takes_pawn], 30, &list[knight_takes_rook], 1);
    both_orderings([&](const char* where) {
        EXPECT_GT(scores[knight_takes_rook], scores[bishop_takes_pawn]) << where;
    });
    // A quiet move's cutoff teaches the captures tried before it that they failed.
    const int32_t before = t.capture_history_of(list[bishop_takes_pawn]);
    t.reward_capture_cutoff(list[index_of("e1d2")], 10, &list[bishop_takes_pawn], 1);
    EXPECT_LT(t.capture_history_of(list[bishop_takes_pawn]), before);
    t.clear_strong_ordering();
    EXPECT_EQ(t.capture_history_of(list[bishop_takes_pawn]), 0);
    EXPECT_EQ(t.capture_history_of(list[knight_takes_rook]), 0);
}

// The static evaluation learns how far searches found it off: for the same pawns and the same
// material it moves towards what they found, for the side to move only, never beyond a bound;
// a new game forgets it.
TEST(StrongSearch, CorrectionHistoryMovesTheEvaluationTowardsTheSearches) {
    test_support::set_up("4k3/pp6/8/8/8/8/PP6/4K3 w - - 0 1");
    const auto thread = thread_on_game_position();
    SearchThread& t = *thread;
    EXPECT_EQ(t.corrected_evaluation(0), 0);
    for (int i = 0; i < 200; ++i)
        t.learn_evaluation_error(0, 120, 10);
    const int32_t corrected = t.corrected_evaluation(0);
    EXPECT_GT(corrected, 100);
    EXPECT_LE(corrected, 120);
    // The other side to move learnt nothing.
    test_support::set_up("4k3/pp6/8/8/8/8/PP6/4K3 b - - 0 1");
    t.copy_from(game_position);
    EXPECT_EQ(t.corrected_evaluation(0), 0);
    // A huge error is held to the bound.
    for (int i = 0; i < 500; ++i)
        t.learn_evaluation_error(0, -50000, 20);
    EXPECT_GE(t.corrected_evaluation(0), -256);
    EXPECT_LT(t.corrected_evaluation(0), -200);
    t.forget_everything();
    EXPECT_EQ(t.corrected_evaluation(0), 0);
}

TEST(StrongSearch, OrderingBandsKeepKillersAndCounterApart) {
    // The late move reduction spares the moves in the killer and counter band, so that band
    // must hold exactly those: not the table move, a capture or a quiet move by its history.
    test_support::set_up("4k3/8/8/3p4/4P3/8/8/4K2R w K - 0 1");
    const auto thread = thread_on_game_position();
    SearchThread& t = *thread;
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    auto move_named = [&](const char* text) {
        const int32_t index = test_support::index_of_move(list, count, text);
        EXPECT_GE(index, 0) << text << " not generated";
        return index >= 0 ? list[index] : NULL_MOVE;
    };
    t.ply = 2;
    t.strong_killers[t.ply][0] = move_named("h1h5");
    t.strong_killers[t.ply][1] = move_named("e1f1");
    // The counter move answers the black pawn's move to d5.
    t.move_stack[t.ply].to = static_cast<uint8_t>(test_support::square_named("d5"));
    t.moved_piece_stack[t.ply] = BLACK_PAWN;
    t.counter_moves[BLACK_PAWN][t.move_stack[t.ply].to] = move_named("e4e5");
    t.strong_history[t.side_to_move][test_support::square_named("h1")]
                    [test_support::square_named("h2")] = HISTORY_LIMIT;
    int32_t scores[MAX_MOVES];
    t.score_moves(list, scores, count, move_named("h1h8"));
    for (int32_t i = 0; i < count; ++i) {
        const std::string text = test_support::text_of(list[i]);
        const bool in_band = text == "h1h5" || text == "e1f1" || text == "e4e5";
        EXPECT_EQ(is_killer_or_counter_score(scores[i]), in_band) << text;
        // Captures rank above the band, quiet moves below it, even the best by history.
        if (text == "h1h8") {
            EXPECT_EQ(scores[i], TABLE_MOVE_SCORE);
        } else if (text == "e4d5") {
            EXPECT_GT(scores[i], FIRST_KILLER_SCORE);
        } else if (text == "h1h2") {
            EXPECT_LT(scores[i], COUNTER_MOVE_SCORE);
        }
    }
}

// The strong table keeps mate distances per stored position, and the quiescence search's
// results of other positions in the same bucket do not push a deeper one out.
TEST(StrongSearch, TableStoreAndProbe) {
    test_support::QuietSearch quiet;
    test_support::set_up();
    strong_table_new_search();
    const uint64_t own_key = hash_key;
    strong_tt_store(own_key, 4, 3, MATE_SCORE - 10, BOUND_EXACT, NULL_MOVE, NO_EVAL);
    TableHit hit = strong_tt_probe(own_key, 6);
    ASSERT_TRUE(hit.found);
    EXPECT_EQ(hit.score, MATE_SCORE - 12);
    EXPECT_EQ(hit.depth, 3);

    // Other positions of the same bucket.
    uint64_t other_key = own_key;
    for (int stored = 0; stored < 3; ++stored) {
        do
            ++other_key;
        while (strong_table_bucket_of(other_key) != strong_table_bucket_of(own_key));
        strong_tt_store(other_key, 0, 0, 55 + stored, BOUND_UPPER, NULL_MOVE, NO_EVAL);
        EXPECT_TRUE(strong_tt_probe(own_key, 0).found);
        EXPECT_EQ(strong_tt_probe(other_key, 0).score, 55 + stored);
    }
}

} // namespace

TEST(StrongSearch, RootMovesGoByTheirNodesBehindTheLinesMove) {
    // Moves told apart by their target square; nodes as an iteration left them.
    const int64_t nodes[] = {5, 1, 9, 3, 9, 0};
    RootMove moves[6];
    for (int32_t i = 0; i < 6; ++i) {
        moves[i].move = NULL_MOVE;
        moves[i].move.to = static_cast<uint8_t>(i + 1);
        moves[i].nodes = nodes[i];
    }
    auto order = [&] {
        std::vector<int32_t> targets;
        for (const RootMove& root : moves)
            targets.push_back(root.move.to);
        return targets;
    };

    // The second line's search: the first line and the second line's move stay; the rest go by
    // nodes, most first, the two moves of 9 nodes in their old order.
    order_root_moves_by_nodes(moves, 1, 6);
    EXPECT_EQ(order(), (std::vector<int32_t>{1, 2, 3, 5, 4, 6}));

    // The best line: everything behind the front move.
    order_root_moves_by_nodes(moves, 0, 6);
    EXPECT_EQ(order(), (std::vector<int32_t>{1, 3, 5, 4, 2, 6}));

    // Nothing behind the line's move, or a narrowed list: nothing moves.
    order_root_moves_by_nodes(moves, 5, 6);
    order_root_moves_by_nodes(moves, 0, 1);
    EXPECT_EQ(order(), (std::vector<int32_t>{1, 3, 5, 4, 2, 6}));
}
