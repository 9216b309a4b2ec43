#include "support/board_helpers.h"

#include <gtest/gtest.h>

#include <random>

#include "board/fen.h"
#include "board/game.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/movegen.h"

namespace test_support {

void set_up(const std::string& fen) {
    init_keys();
    new_game();
    std::string error;
    ASSERT_TRUE(set_position_from_fen(fen, error)) << fen << ": " << error;
}

std::string text_of(const Move& move) {
    char text[MOVE_TEXT_SIZE];
    format_move(text, move);
    return text;
}

int32_t index_of_move(const Move* list, int32_t count, const std::string& text) {
    for (int32_t i = 0; i < count; ++i)
        if (text_of(list[i]) == text) return i;
    return -1;
}

namespace {
template <typename Generate> std::vector<std::string> texts_of(Generate generate) {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate(list, count);
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i)
        texts.push_back(text_of(list[i]));
    return texts;
}
} // namespace

std::vector<std::string> generated_moves() {
    return texts_of(generate_moves);
}
std::vector<std::string> generated_captures() {
    return texts_of(generate_captures);
}

void play(const std::string& move_text) {
    Move move;
    ASSERT_TRUE(parse_user_move(move_text.c_str(), move)) << "not legal: " << move_text;
    make_move(&move, 0);
    rebuild_piece_list();
}

void play_all(const std::vector<std::string>& moves) {
    for (const auto& move : moves) {
        play(move);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

namespace {

const char* const GENERATION_TEST_FENS[] = {
    // The perft positions.
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    // Checks: by a knight (castling still generated), by a rook, double checks.
    "4k3/8/8/8/8/3n4/8/4K2R w K - 0 1",
    "4k3/8/8/8/8/8/8/4RK2 b - - 0 1",
    "4r1k1/8/8/8/8/5n2/3P4/R3K2R w KQ - 0 1",
    "r3k2r/8/3N4/8/8/8/8/4R1K1 b kq - 0 1",
    // Pins along a file and a diagonal.
    "4k3/4r3/8/b7/8/2N5/4B3/4K3 w - - 0 1",
    "4k3/3pq3/8/8/B7/8/4R3/4K3 b - - 0 1",
    // En passant: plain, beside a pin on the rank, from both sides, for black.
    "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2",
    "8/8/8/K2pP2r/8/8/8/4k3 w - d6 0 2",
    "4k3/8/8/2PpP3/8/8/8/4K3 w - d6 0 2",
    "4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1",
    // Promotions: steps and captures, for either side.
    "1n2k3/P1P5/8/8/8/8/5p1p/3K2N1 w - - 0 1",
    "1n2k3/P1P5/8/8/8/8/5p1p/3K2N1 b - - 0 1",
    // Castling: every right, for either side; blocked by a knight.
    "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
    "rn2k1nr/8/8/8/8/8/8/RN2K1NR w KQkq - 0 1",
};

// The legal moves of the game position.
std::vector<Move> legal_moves() {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    std::vector<Move> legal;
    for (int32_t i = 0; i < count; ++i) {
        MoveUndo undo;
        const Move move = list[i];
        if (play_move(list, i, undo)) legal.push_back(move);
        take_back_move(list, i, undo);
    }
    return legal;
}

} // namespace

void for_each_generation_test_position(const std::function<void(const std::string&)>& visit,
                                       int random_games, int plies) {
    for (const char* fen : GENERATION_TEST_FENS) {
        set_up(fen);
        if (::testing::Test::HasFatalFailure()) return;
        visit(fen);
    }
    std::mt19937 random(20240611);
    for (int game = 0; game < random_games; ++game) {
        const char* start = GENERATION_TEST_FENS[game % 2];
        set_up(start);
        for (int played = 0; played < plies; ++played) {
            visit(std::string("game ") + std::to_string(game) + " ply " + std::to_string(played));
            const std::vector<Move> moves = legal_moves();
            if (moves.empty()) break;
            play(text_of(moves[random() % moves.size()]));
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
}

std::string record_of(const Move& move) {
    return text_of(move) + " captured " + std::to_string(move.captured) + " ep " +
           std::to_string(move.ep_flag) + " castle " + std::to_string(move.castle);
}

} // namespace test_support
