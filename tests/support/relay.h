// Plays whole games between two xboard engines started as child processes, passing each
// "move" line on to the other side with the clocks, the way an interface does.
#pragma once

#include <string>
#include <vector>

namespace test_support {

struct EngineSetup {
    std::string program;                // path of the executable
    std::vector<std::string> arguments; // its command line
    std::string directory;              // working directory ("" = a fresh empty one)
    // Lines sent right after start-up, before "new" (e.g. "xboard", "protover 2").
    std::vector<std::string> greeting;
};

struct GameRecord {
    std::vector<std::string> moves;
    std::string result;      // "1-0", "0-1", "1/2-1/2", or "" when the move cap ended it
    std::string result_line; // the line that announced it
    std::string problem;     // an illegal move, a crash, a timeout or a lost clock; "" if none
};

// White's and black's clocks start at `clock_centiseconds`; the game is stopped unfinished
// after `move_cap` half-moves.
GameRecord play_game(const EngineSetup& white, const EngineSetup& black, int clock_centiseconds,
                     int move_cap);

EngineSetup vantrek_setup();
EngineSetup fairymax_setup(); // empty program when fairymax is not installed

} // namespace test_support
