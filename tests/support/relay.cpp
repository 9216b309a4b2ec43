#include "support/relay.h"

#include <chrono>
#include <memory>
#include <regex>
#include <unistd.h>

#include "support/engine_process.h"

namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;

struct Player {
    std::unique_ptr<TempDir> own_directory;
    std::unique_ptr<ChildProcess> process;
    int clock = 0; // centiseconds
};

void start(Player& player, const EngineSetup& setup) {
    std::string directory = setup.directory;
    if (directory.empty()) {
        player.own_directory = std::make_unique<TempDir>();
        directory = player.own_directory->path();
    }
    player.process = std::make_unique<ChildProcess>(setup.program, setup.arguments, directory);
    for (const auto& line : setup.greeting)
        player.process->send(line);
    player.process->send("new");
}

bool is_result(const std::string& line) {
    static const std::regex result(R"(^(1-0|0-1|1/2-1/2) *\{)");
    return std::regex_search(line, result) || line == "resign";
}

std::string score_of(const std::string& line, bool mover_is_white) {
    if (line == "resign") return mover_is_white ? "0-1" : "1-0";
    return line.substr(0, line.find(' '));
}

} // namespace

GameRecord play_game(const EngineSetup& white, const EngineSetup& black, int clock_centiseconds,
                     int move_cap) {
    GameRecord game;
    Player players[2]; // 0 white, 1 black
    start(players[0], white);
    start(players[1], black);
    for (auto& player : players)
        player.clock = clock_centiseconds;

    players[0].process->send("time " + std::to_string(players[0].clock));
    players[0].process->send("otim " + std::to_string(players[1].clock));
    players[0].process->send("go");

    int mover = 0;
    while (static_cast<int>(game.moves.size()) < move_cap) {
        Player& player = players[mover];
        Player& other = players[1 - mover];
        const auto started = Clock::now();
        // Wait for the move, or for a result announced without one.
        std::string move;
        for (;;) {
            const auto line =
                player.process->read_line(std::chrono::milliseconds(player.clock * 10 + 5000));
            if (!line) {
                game.problem = (mover == 0 ? "white" : "black") +
                               std::string(player.process->running() ? " did not move in time"
                                                                     : " ended unexpectedly");
                return game;
            }
            if (line->rfind("Illegal move", 0) == 0) {
                game.problem =
                    (mover == 0 ? "white" : "black") + std::string(" rejected: ") + *line;
                return game;
            }
            if (is_result(*line)) {
                game.result = score_of(*line, mover == 0);
                game.result_line = *line;
                return game;
            }
            if (line->rfind("move ", 0) == 0) {
                move = line->substr(5);
                break;
            }
        }
        const auto spent =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count() /
            10;
        player.clock -= static_cast<int>(spent);
        game.moves.push_back(move);
        if (player.clock < 0) {
            game.problem = (mover == 0 ? "white" : "black") + std::string(" lost on time");
            return game;
        }
        // A result line may follow the move at once.
        if (const auto next = player.process->read_line(std::chrono::milliseconds(30));
            next && is_result(*next)) {
            game.result = score_of(*next, mover == 0);
            game.result_line = *next;
            return game;
        }
        other.process->send("time " + std::to_string(other.clock));
        other.process->send("otim " + std::to_string(player.clock));
        other.process->send(move);
        mover = 1 - mover;
    }
    return game;
}

EngineSetup vantrek_setup() {
    return EngineSetup{VANTREK_BINARY, {}, "", {}};
}

EngineSetup fairymax_setup() {
    for (const char* path : {"/usr/games/fairymax", "/usr/bin/fairymax"})
        if (access(path, X_OK) == 0) return EngineSetup{path, {}, "", {"xboard", "protover 2"}};
    return EngineSetup{};
}

} // namespace test_support
