#include "support/board_helpers.h"

#include <gtest/gtest.h>

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

} // namespace test_support
