#include "book/book_builder.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/position.h"

namespace {

bool is_result_token(const std::string& token) {
    return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*";
}

// The first character that is not a blank, or '\0' for a blank line.
char first_visible(const std::string& line) {
    for (char c : line)
        if (!std::isspace(static_cast<unsigned char>(c))) return c;
    return '\0';
}

// The tag that puts the game's first move in a position other than the initial one.
bool is_set_up_tag(const std::string& line) {
    const auto start = line.find('[');
    return line.compare(start, 5, "[FEN ") == 0;
}

} // namespace

void count_game_line(const std::string& line, int max_plies, PositionCounts& counts,
                     std::string& problem) {
    problem.clear();
    new_game();
    // A game that comes back to a position counts it once, like a game that passes it once.
    std::vector<uint64_t> counted;
    std::istringstream tokens(line);
    std::string token;
    int plies = 0;
    while (plies < max_plies && tokens >> token) {
        if (is_result_token(token)) {
            std::string rest;
            if (tokens >> rest) problem = "text after the result " + token + " is ignored";
            return;
        }
        // Other programs write the promotion piece in upper case; the engine's text is
        // lower case.
        std::string text = token;
        if (text.size() == 5)
            text[4] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[4])));
        Move move;
        if (!parse_user_move(text.c_str(), move) || !game_history_has_room()) {
            problem = "illegal move '" + token + "' at ply " + std::to_string(plies + 1) +
                      "; the rest of the line is skipped";
            return;
        }
        make_move(&move, 0);
        rebuild_piece_list();
        ++plies;
        if (std::find(counted.begin(), counted.end(), hash_key) != counted.end()) continue;
        counted.push_back(hash_key);
        uint32_t& count = counts[hash_key];
        if (count < UINT32_MAX) ++count;
    }
}

GameReading count_games(std::istream& input, const std::string& source, int max_plies,
                        PositionCounts& counts, std::ostream& problems) {
    GameReading reading;
    std::string line;
    int line_number = 0;
    bool set_up_position = false;
    while (std::getline(input, line)) {
        ++line_number;
        const char first = first_visible(line);
        if (first == '\0') continue;
        if (first == '[') {
            if (is_set_up_tag(line)) set_up_position = true;
            continue;
        }
        // The moves of a game that started from a set-up position would be replayed from the
        // initial one and could store positions no game reached.
        if (set_up_position) {
            set_up_position = false;
            ++reading.lines_with_problems;
            problems << source << ":" << line_number
                     << ": the game starts from a set-up position (FEN tag); skipped\n";
            continue;
        }
        std::string problem;
        count_game_line(line, max_plies, counts, problem);
        ++reading.games;
        if (!problem.empty()) {
            ++reading.lines_with_problems;
            problems << source << ":" << line_number << ": " << problem << "\n";
        }
    }
    return reading;
}

std::vector<BookRecord> book_records_from_counts(const PositionCounts& counts, uint32_t min_count) {
    std::vector<BookRecord> records;
    for (const auto& [key, count] : counts) {
        if (count < min_count) continue;
        records.push_back(
            BookRecord{static_cast<uint16_t>(std::min<uint32_t>(count, UINT16_MAX)), key});
    }
    sort_book_records(records);
    return records;
}
