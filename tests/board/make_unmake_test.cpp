// make_move / unmake_move must give back the whole position, and the incremental key must equal
// the key computed from scratch wherever the two are meant to agree.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "board/attack.h"
#include "board/game.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "support/board_helpers.h"

namespace {

struct Snapshot {
    std::array<int32_t, BOARD_SQUARES> board_codes, indexes, counts;
    std::array<int32_t, 33> slots;
    int32_t piece_count, white_king, black_king, side, ep, white_castled, black_castled, non_pawn,
        fifty, history_count;
    uint64_t key, pawns_key;

    static Snapshot take() {
        Snapshot s;
        std::memcpy(s.board_codes.data(), board, sizeof board);
        std::memcpy(s.indexes.data(), piece_index, sizeof piece_index);
        std::memcpy(s.counts.data(), square_move_count, sizeof square_move_count);
        std::memcpy(s.slots.data(), piece_list, sizeof piece_list);
        s.slots[0] = 0; // the scratch slot means nothing
        s.piece_count = ::piece_count;
        s.white_king = white_king_square;
        s.black_king = black_king_square;
        s.side = side_to_move;
        s.ep = ep_square;
        s.white_castled = ::white_castled;
        s.black_castled = ::black_castled;
        s.non_pawn = non_pawn_count;
        s.fifty = fifty_counter;
        s.history_count = key_history_count;
        s.key = hash_key;
        s.pawns_key = pawn_key;
        return s;
    }
    bool operator==(const Snapshot&) const = default;
};

// Castling rights whose rook left or was captured on its corner before the king moved: the
// incremental key keeps their "held" number while compute_key uses the "lost" one.
struct Divergence {
    bool white_kingside = false, white_queenside = false;
    bool black_kingside = false, black_queenside = false;

    uint64_t correction() const {
        uint64_t c = 0;
        if (white_kingside) c ^= zobrist_castle_wk[0] ^ zobrist_castle_wk[1];
        if (white_queenside) c ^= zobrist_castle_wq[0] ^ zobrist_castle_wq[1];
        if (black_kingside) c ^= zobrist_castle_bk[0] ^ zobrist_castle_bk[1];
        if (black_queenside) c ^= zobrist_castle_bq[0] ^ zobrist_castle_bq[1];
        return c;
    }

    // The move about to be made touches a rook corner while the king and that corner are
    // still untouched.
    Divergence after(const Move& move) const {
        Divergence next = *this;
        auto touches = [&](int corner, int king_home) {
            return (move.from == corner || move.to == corner) && square_move_count[corner] == 0 &&
                   square_move_count[king_home] == 0;
        };
        next.white_kingside |= touches(H1, E1);
        next.white_queenside |= touches(A1, E1);
        next.black_kingside |= touches(H8, E8);
        next.black_queenside |= touches(A8, E8);
        return next;
    }
};

int positions_checked = 0;

void walk_and_check(int depth, const Divergence& divergence) {
    ASSERT_EQ(hash_key ^ divergence.correction(), compute_key());
    ++positions_checked;
    if (depth == 0) return;
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    const Snapshot before = Snapshot::take();
    for (int i = 0; i < count; ++i) {
        const Divergence next = divergence.after(list[i]);
        MoveUndo undo;
        const bool legal = play_move(list, i, undo);
        EXPECT_EQ(key_history_count, before.history_count + 1);
        EXPECT_EQ(key_history[before.history_count], before.key);
        EXPECT_EQ(pawn_key, compute_pawn_key()) << test_support::text_of(list[i]);
        if (legal) walk_and_check(depth - 1, next);
        take_back_move(list, i, undo);
        ASSERT_TRUE(Snapshot::take() == before) << "after " << test_support::text_of(list[i]);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(MakeUnmake, RestoresEverythingAndKeepsTheKeyInStepOverPerftTrees) {
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    };
    for (const char* fen : fens) {
        test_support::set_up(fen);
        positions_checked = 0;
        walk_and_check(3, Divergence{});
        EXPECT_GT(positions_checked, 1000) << fen;
        if (HasFatalFailure()) return;
    }
}

TEST(MakeUnmake, EnPassantCaptureEmptiesTheVictimSquareAndUnmakeRefillsItsSlot) {
    test_support::set_up("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    const int d5 = test_support::square_named("d5");
    const int victim_slot = piece_index[d5];
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    int ep_index = -1;
    for (int i = 0; i < count; ++i)
        if (list[i].ep_flag) ep_index = i;
    ASSERT_GE(ep_index, 0);
    const Snapshot before = Snapshot::take();
    MoveUndo undo;
    play_move(list, ep_index, undo);
    EXPECT_EQ(board[d5], EMPTY);
    EXPECT_EQ(piece_list[victim_slot], 0);
    EXPECT_EQ(square_move_count[d5], 2); // the FEN counted its double step, the capture another
    EXPECT_EQ(square_move_count[test_support::square_named("d6")], 1);
    take_back_move(list, ep_index, undo);
    EXPECT_EQ(piece_list[victim_slot], d5);
    EXPECT_TRUE(Snapshot::take() == before);
}

TEST(MakeUnmake, CastlingMovesTheRookEverywhereAndUnmakeTakesItBack) {
    test_support::set_up("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    int castle_index = -1;
    for (int i = 0; i < count; ++i)
        if (list[i].castle == CASTLE_WHITE_KINGSIDE) castle_index = i;
    ASSERT_GE(castle_index, 0);
    const int rook_slot = piece_index[H1];
    const Snapshot before = Snapshot::take();
    MoveUndo undo;
    play_move(list, castle_index, undo);
    EXPECT_EQ(board[G1], WHITE_KING);
    EXPECT_EQ(board[F1], WHITE_ROOK);
    EXPECT_EQ(board[H1], EMPTY);
    EXPECT_EQ(piece_list[rook_slot], F1);
    EXPECT_EQ(white_castled, CASTLE_WHITE_KINGSIDE);
    for (int square : {E1, F1, G1, H1})
        EXPECT_EQ(square_move_count[square], before.counts[square] + 1);
    take_back_move(list, castle_index, undo);
    EXPECT_TRUE(Snapshot::take() == before);
}

TEST(MakeUnmake, PromotionCaptureKeepsThePawnSlotAndCountsOnlyTheCapture) {
    test_support::set_up("1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    const int a7 = test_support::square_named("a7");
    const int b8 = test_support::square_named("b8");
    const int pawn_slot = piece_index[a7];
    const int rook_slot = piece_index[b8];
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    // The pawn's first moves are the four promotion captures on b8, queen first.
    int capture_index = 0;
    while (capture_index < count && list[capture_index].from != a7)
        ++capture_index;
    ASSERT_LT(capture_index, count);
    ASSERT_EQ(test_support::text_of(list[capture_index]), "a7b8q");
    const Snapshot before = Snapshot::take();
    MoveUndo undo;
    play_move(list, capture_index, undo);
    EXPECT_EQ(board[b8], WHITE_QUEEN);
    EXPECT_EQ(piece_list[pawn_slot], b8);
    EXPECT_EQ(piece_list[rook_slot], 0);
    EXPECT_EQ(non_pawn_count, before.non_pawn - 1);
    take_back_move(list, capture_index, undo);
    EXPECT_EQ(board[a7], WHITE_PAWN);
    EXPECT_EQ(board[b8], BLACK_ROOK);
    EXPECT_TRUE(Snapshot::take() == before);
}

TEST(MakeUnmake, FiftyCounterResetsOnPawnMovesAndCapturesAndUnmakeRestoresIt) {
    test_support::set_up("4k3/8/8/8/8/8/4P3/R3K3 w - - 7 1");
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    for (int i = 0; i < count; ++i) {
        const bool pawn_move = board[list[i].from] == WHITE_PAWN;
        MoveUndo undo;
        play_move(list, i, undo);
        EXPECT_EQ(fifty_counter, pawn_move ? 0 : 8) << test_support::text_of(list[i]);
        take_back_move(list, i, undo);
        EXPECT_EQ(fifty_counter, 7);
    }
}

} // namespace
