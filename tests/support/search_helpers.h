// Helpers for tests that run the search.
#pragma once

#include <string>

#include "board/position.h"

namespace test_support {

// Makes the search quiet, clock-free and bookless, with a fresh table, for a test; restores the
// engine's defaults when it goes out of scope.
class QuietSearch {
  public:
    explicit QuietSearch(int max_depth = 30);
    ~QuietSearch();
};

// Sets up `fen` (keys initialised, table cleared) and searches it to `depth`; the move text,
// or "none" when the search returns no move.
std::string best_move_at_depth(const std::string& fen, int depth);

// The same with the strong search (its ordering tables fresh, as after ucinewgame).
std::string strong_best_move_at_depth(const std::string& fen, int depth);

// The strong search's move for the game position as it stands, with the tables as they are, to
// the depth of the QuietSearch in force; "none" when there is none.
std::string strong_best_move_here();

} // namespace test_support
