// Building a book from games: every game is replayed on the engine's own board, so each
// position's key is exactly the key the engine will look up, and every position reached by a
// book move is counted once per game.
//
// A game is one line of moves in coordinate notation separated by blanks, as `pgn-extract
// -Wuci` writes them, ending with a result token (1-0, 0-1, 1/2-1/2 or *) or with the line.
// Promotion letters may be upper case (a7a8Q). Blank lines and PGN tag lines ([Event "..."])
// are passed over.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "book/book_file.h"

// The engine leaves its book once more than this many half-moves have been played, so
// positions deeper than one ply beyond that are never asked for.
inline constexpr int MAX_BOOK_PLIES = 81;

// How many games reached each position, by key.
using PositionCounts = std::unordered_map<uint64_t, uint32_t>;

struct GameReading {
    int games = 0;               // game lines replayed
    int lines_with_problems = 0; // lines cut short or skipped whole
};

// Replays one game line from the initial position and counts the positions after its first
// `max_plies` moves, each once even when the game repeats it. A token that is not a legal
// move stops the replay: the moves before it still count, and `problem` says what went
// wrong (it stays empty otherwise). Moves beyond `max_plies` are not read.
void count_game_line(const std::string& line, int max_plies, PositionCounts& counts,
                     std::string& problem);

// Reads games line by line, counting their positions; every line that is cut short or skipped
// is reported on `problems` with its line number, prefixed by `source`.
GameReading count_games(std::istream& input, const std::string& source, int max_plies,
                        PositionCounts& counts, std::ostream& problems);

// The book records of the positions reached at least `min_count` times; the weight is the
// count, capped to what the record's 16 bits hold.
std::vector<BookRecord> book_records_from_counts(const PositionCounts& counts, uint32_t min_count);
