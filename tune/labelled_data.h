// Labelled positions for the tuner: positions of games, each with the expected result for white
// (1 a win, 0.5 a draw, 0 a loss, or any probability between), read from text records.
//
// Records, one a line (blank lines and lines starting with '#' are skipped):
//   game e2e4 e7e5 ...   a game in coordinate moves from the initial position
//   <ply> <label>        the position after the first <ply> moves of the last game
//   <FEN>;<label>        a position set up from FEN
// Game records are exact: the replay gives every square the move count the game gave it, and
// the evaluation reads those counts (castling, development, moved pawns). A FEN only
// approximates them: a square counts as moved when its occupant differs from the initial
// position's.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "tune/stored_position.h"

struct Sample {
    StoredPosition position; // the end of the capture sequence the quiescence search expects
    float label;             // the expected result for white of the labelled position
};

struct DataReport {
    int64_t games = 0;
    int64_t labelled = 0; // labelled positions read
    int64_t in_check = 0; // left out: a static score means nothing with the king attacked
    int64_t resolved = 0; // replaced by the end of their capture sequence
    int64_t problems = 0; // records reported and skipped
};

// Adds the current position with `label`, unless the side to move is in check. A position with
// captures pending is replaced by the end of the principal variation of a full-window
// quiescence search, whose static score is the quiescence score: the tuner then scores a quiet
// position with the evaluation alone. The position is the same afterwards.
void add_sample(float label, std::vector<Sample>& samples, DataReport& report);

// Reads the records of `in` and appends their samples. A bad record is reported on `problems`
// as "<source>:<line>: <what>" and skipped; a game with an illegal move is read up to it.
void read_labelled_positions(std::istream& in, const std::string& source,
                             std::vector<Sample>& samples, DataReport& report,
                             std::ostream& problems);
