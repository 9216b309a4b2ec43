// vantrek-book [--plies N] [--min-count N] [--output FILE] [GAMES...]
//
// Builds an opening book from games written as lines of coordinate moves (pgn-extract -Wuci).
// The replay, counting and file format live in book/; this is the command line around them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "board/game.h"
#include "board/keys.h"
#include "book/book.h"
#include "book/book_builder.h"
#include "book/book_file.h"

namespace {

constexpr int DEFAULT_PLIES = 20;

const char* const USAGE =
    "usage: vantrek-book [--plies N] [--min-count N] [--output FILE] [GAMES...]\n"
    "\n"
    "Builds an opening book for Vantrek from games written one per line as moves in\n"
    "coordinate notation, the way 'pgn-extract -Wuci' writes them, read from the files\n"
    "named or from standard input (also '-'). Every position reached within the first N\n"
    "half-moves of a game counts once for that game; the count is the position's weight\n"
    "(at most 65535). A line with an illegal move is reported and read only up to it.\n"
    "\n"
    "  --plies N      half-moves read from each game, 1 to 81 (default 20); the engine\n"
    "                 leaves its book after 80 half-moves\n"
    "  --min-count N  leave out positions fewer than N games reached (default 1)\n"
    "  --output FILE  the book to write (default Vantrek.book); an existing file is\n"
    "                 replaced only by a complete new book\n"
    "  --help         show this text\n";

[[noreturn]] void usage_error(const std::string& message) {
    std::fprintf(stderr, "vantrek-book: %s\n(try vantrek-book --help)\n", message.c_str());
    std::exit(2);
}

// A whole decimal number in [low, high], or a usage error naming the option.
long number_argument(int argument_count, char** arguments, int& i, long low, long high) {
    const char* option = arguments[i];
    if (i + 1 >= argument_count) usage_error(std::string(option) + " needs a number");
    const char* text = arguments[++i];
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high)
        usage_error(std::string("bad value '") + text + "' for " + option + " (" +
                    std::to_string(low) + " to " + std::to_string(high) + ")");
    return value;
}

} // namespace

int main(int argument_count, char** arguments) {
    int plies = DEFAULT_PLIES;
    uint32_t min_count = 1;
    std::string output = BOOK_FILE_NAME;
    std::vector<std::string> inputs;
    for (int i = 1; i < argument_count; ++i) {
        const std::string argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(USAGE, stdout);
            return 0;
        } else if (argument == "--plies") {
            plies =
                static_cast<int>(number_argument(argument_count, arguments, i, 1, MAX_BOOK_PLIES));
        } else if (argument == "--min-count") {
            min_count =
                static_cast<uint32_t>(number_argument(argument_count, arguments, i, 1, UINT32_MAX));
        } else if (argument == "--output") {
            if (i + 1 >= argument_count) usage_error("--output needs a file name");
            output = arguments[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            usage_error("unknown option '" + argument + "'");
        } else {
            inputs.push_back(argument);
        }
    }
    if (inputs.empty()) inputs.push_back("-");

    init_keys();
    init_book_index_mask();

    PositionCounts counts;
    GameReading total;
    for (const std::string& input : inputs) {
        GameReading reading;
        if (input == "-") {
            reading = count_games(std::cin, "<stdin>", plies, counts, std::cerr);
        } else {
            std::ifstream file(input);
            if (!file) {
                std::fprintf(stderr, "vantrek-book: cannot open %s\n", input.c_str());
                return 1;
            }
            reading = count_games(file, input, plies, counts, std::cerr);
        }
        total.games += reading.games;
        total.lines_with_problems += reading.lines_with_problems;
    }

    const std::vector<BookRecord> records = book_records_from_counts(counts, min_count);
    std::string error;
    if (!write_book_file(output, records, error)) {
        std::fprintf(stderr, "vantrek-book: %s; %s not written\n", error.c_str(), output.c_str());
        return 1;
    }
    std::printf("%d games (%d with problems), %zu positions, %zu written to %s\n", total.games,
                total.lines_with_problems, counts.size(), records.size(), output.c_str());
    return 0;
}
