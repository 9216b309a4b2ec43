// Helpers for tests that set up positions and look at moves.
#pragma once

#include <string>
#include <vector>

#include "board/game.h"

namespace test_support {

// Fresh keys and the given position (the initial one by default); fails the test on a bad FEN.
void set_up(const std::string& fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");

// The text of a move, e2e4 style.
std::string text_of(const Move& move);

// Where the move of that text stands in list[0 .. count-1]; -1 when it is not there.
int32_t index_of_move(const Move* list, int32_t count, const std::string& text);

// Every generated move (pseudo-legal), as text, in generation order.
std::vector<std::string> generated_moves();
std::vector<std::string> generated_captures();

// Plays a game move given as text; fails the test when it is not legal.
void play(const std::string& move_text);
void play_all(const std::vector<std::string>& moves);

inline int square_named(const char* name) {
    return square_at(name[0] - 'a', name[1] - '1');
}

} // namespace test_support
