// Helpers for tests that set up positions and look at moves.
#pragma once

#include <functional>
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

// The positions the move generators are checked on: the perft positions, checks and double
// checks, pins, en passant, promotions and castling for either side, and the positions along
// `random_games` games of up to `plies` random legal moves each (from the initial position and
// from the second perft position, the same games on every run). Each is set up as the game
// position in turn, and `visit` is called with a description of it.
void for_each_generation_test_position(const std::function<void(const std::string&)>& visit,
                                       int random_games = 6, int plies = 60);

// The fields a generator writes (not captured_slot, which make_move writes), to compare
// generated records.
std::string record_of(const Move& move);

inline int square_named(const char* name) {
    return square_at(name[0] - 'a', name[1] - '1');
}

} // namespace test_support
