// Fuzz target: the book builder's line reader. The input is a file of games, one per line, as
// vantrek-book reads it; the number of half-moves read from each game is taken from the input's
// length (1 to 81). What must hold:
// - every position is counted at most once per game, so no count exceeds the games read, and no
//   game adds more positions than the half-moves read;
// - every line reported as a problem is reported once, on its own line, with its line number;
// - the position stays consistent;
// - the records built from the counts are sorted as a book must be, with weights of 1 to 65535,
//   and the engine, given that book, plays from the initial position only a legal move that
//   leads to a counted position.
#include <sstream>

#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "book/book.h"
#include "book/book_builder.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::set_up_engine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::reset_engine();
    const int plies = 1 + static_cast<int>(size % MAX_BOOK_PLIES);
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string context = "games (" + std::to_string(plies) + " plies):\n" + text;
    std::istringstream input(text);
    std::ostringstream problems;
    PositionCounts counts;
    const GameReading reading = count_games(input, "games", plies, counts, problems);
    fuzz::check_position(context);

    const std::string report = problems.str();
    const std::vector<std::string> problem_lines = fuzz::split_lines(report);
    FUZZ_CHECK(static_cast<int>(problem_lines.size()) == reading.lines_with_problems,
               context + "\nproblems:\n" + report);
    for (const std::string& line : problem_lines)
        FUZZ_CHECK(line.rfind("games:", 0) == 0 && line.size() > 7 && line[6] >= '1' &&
                       line[6] <= '9',
                   context + "\nproblems:\n" + report);
    FUZZ_CHECK(counts.size() <= static_cast<size_t>(reading.games) * static_cast<size_t>(plies),
               context);
    for (const auto& [key, count] : counts)
        FUZZ_CHECK(count >= 1 && count <= static_cast<uint32_t>(reading.games), context);

    const std::vector<BookRecord> records = book_records_from_counts(counts, 1);
    FUZZ_CHECK(records.size() == counts.size(), context);
    for (size_t i = 0; i < records.size(); ++i) {
        FUZZ_CHECK(records[i].weight >= 1, context);
        FUZZ_CHECK(counts.count(records[i].key) == 1, context);
        if (i > 0)
            FUZZ_CHECK((key_low(records[i - 1].key) & BOOK_INDEX_MASK) <=
                           (key_low(records[i].key) & BOOK_INDEX_MASK),
                       context);
    }
    if (records.empty()) return 0;

    book_file_name = fuzz::scratch_directory() + "/Vantrek.book";
    fuzz::hold_book_in_memory(book_file_name, encode_book(records));
    fuzz::reset_engine();
    const std::vector<std::string> legal = fuzz::legal_move_texts();
    const Move choice = choose_book_move();
    if (choice.from == 0) return 0;
    char move_text[MOVE_TEXT_SIZE];
    format_move(move_text, choice);
    FUZZ_CHECK(fuzz::contains(legal, move_text), context + "\nbook move " + move_text);
    Move move = choice;
    make_move(&move, 0);
    FUZZ_CHECK(counts.count(hash_key) == 1, context + "\nbook move " + move_text);
    return 0;
}
