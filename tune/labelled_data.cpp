#include "tune/labelled_data.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <istream>
#include <limits>
#include <ostream>
#include <sstream>

#include "board/attack.h"
#include "board/fen.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "search/classic/ordering.h"
#include "search/classic/search.h"
#include "search/scores.h"

namespace {

// A label: a number from 0 to 1 and nothing after it.
bool parse_label(const std::string& text, float& label) {
    const char* start = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    while (end != start && std::isspace(static_cast<unsigned char>(*end)))
        ++end;
    if (end == start || *end != '\0' || !(value >= 0.0 && value <= 1.0)) return false;
    label = static_cast<float>(value);
    return true;
}

// The game being read, replayed as far as its labels need.
constexpr int NOT_ON_THE_BOARD = std::numeric_limits<int>::max(); // replay from the start
struct GameReplay {
    std::vector<std::string> moves;
    int played = 0;      // moves on the board, or NOT_ON_THE_BOARD after a FEN record
    bool broken = false; // an illegal move: its labels from there on are skipped
    int64_t line = 0;    // where the game record stands
};

// Plays the game's moves up to `ply`, as the engine plays a game move. False at an illegal move.
bool replay_to(GameReplay& game, int ply, std::string& problem) {
    if (ply < game.played) {
        new_game();
        game.played = 0;
    }
    while (game.played < ply) {
        std::string text = game.moves[game.played];
        for (char& c : text) // other programs write the promotion piece in upper case
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        Move move;
        if (!parse_user_move(text.c_str(), move) || !game_history_has_room()) {
            problem = "illegal move '" + game.moves[game.played] + "' at ply " +
                      std::to_string(game.played + 1) + " of the game on line " +
                      std::to_string(game.line);
            return false;
        }
        make_move(&move, 0);
        rebuild_piece_list();
        ++game.played;
    }
    return true;
}

} // namespace

void add_sample(float label, std::vector<Sample>& samples, DataReport& report) {
    if (side_to_move_in_check()) {
        ++report.in_check;
        return;
    }
    // 1. The capture sequence both sides are expected to play, with the full window so that
    // no cutoff shortens the principal variation.
    follow_pv = false;
    const int32_t root = ply;
    quiesce(-INFINITE_SCORE, INFINITE_SCORE, QUIESCENCE_DEPTH);
    const int length = pv_length[root] - root;
    Move line[QUIESCENCE_DEPTH];
    for (int i = 0; i < length; ++i)
        line[i] = pv_table[root][root + i];

    // 2. Its end, stored, and the position taken back.
    MoveUndo undo[QUIESCENCE_DEPTH];
    for (int i = 0; i < length; ++i)
        play_move(line, i, undo[i]);
    samples.push_back({store_position(), label});
    for (int i = length - 1; i >= 0; --i)
        take_back_move(line, i, undo[i]);
    ++report.labelled;
    if (length > 0) ++report.resolved;
}

void read_labelled_positions(std::istream& in, const std::string& source,
                             std::vector<Sample>& samples, DataReport& report,
                             std::ostream& problems) {
    GameReplay game; // line 0: no game yet
    std::string line;
    int64_t line_number = 0;
    const auto report_problem = [&](const std::string& what) {
        problems << source << ':' << line_number << ": " << what << '\n';
        ++report.problems;
    };
    while (std::getline(in, line)) {
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == '#') continue;

        // A game: its moves, replayed when its labels ask for them.
        if (line.compare(start, 5, "game ") == 0 || line.substr(start) == "game") {
            std::istringstream words(line.substr(start + 4));
            game = GameReplay{};
            game.line = line_number;
            for (std::string word; words >> word;)
                game.moves.push_back(word);
            new_game();
            ++report.games;
            continue;
        }

        // A FEN with its label.
        float label = 0.0f;
        const size_t semicolon = line.find(';');
        if (semicolon != std::string::npos) {
            std::string error;
            if (!parse_label(line.substr(semicolon + 1), label)) {
                report_problem("the label is not a number from 0 to 1");
            } else if (!set_position_from_fen(line.substr(start, semicolon - start), error)) {
                report_problem("bad FEN: " + error);
            } else {
                add_sample(label, samples, report);
            }
            game.played = NOT_ON_THE_BOARD;
            continue;
        }

        // A position of the last game.
        std::istringstream words(line);
        std::string ply_text, label_text, rest;
        words >> ply_text >> label_text;
        std::getline(words, rest);
        char* end = nullptr;
        const long ply_number = std::strtol(ply_text.c_str(), &end, 10);
        if (ply_text.empty() || *end != '\0' || !parse_label(label_text + rest, label)) {
            report_problem("expected 'game <moves>', '<ply> <label>' or '<FEN>;<label>'");
        } else if (game.line == 0) {
            report_problem("a labelled ply without a game before it");
        } else if (ply_number < 0 || ply_number > static_cast<long>(game.moves.size())) {
            report_problem("ply " + ply_text + " is beyond the game on line " +
                           std::to_string(game.line));
        } else if (!game.broken) {
            std::string problem;
            if (replay_to(game, static_cast<int>(ply_number), problem))
                add_sample(label, samples, report);
            else {
                game.broken = true;
                report_problem(problem + "; its later positions are skipped");
            }
        }
    }
}
