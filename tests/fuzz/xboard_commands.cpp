// Fuzz target: the xboard command loop. The input is what an interface might send on standard
// input. It is read with the engine's own line reader and handled line by line as the loop
// handles it, against a fresh game, the engine taking its turn before every line with a search
// of depth 1 (no clock, so a run is fast and the same every time). What must hold:
// - the position is consistent after every line and every turn;
// - a line shaped like a move is played silently exactly when it is the text of a legal move,
//   and answered "Illegal move: <line>" otherwise; every other line is answered with nothing;
// - a turn of the engine ends in exactly one move, legal in the position the engine had, or one
//   result line, or a move followed by one result line: never in silence, which would leave the
//   interface waiting for ever;
// - only "quit" ends the engine.
// Once "white" or "black" has handed the move to the side that was not on move, the position is
// no longer one of chess (that side may take the king) and the self-check accepts anything;
// the rest still holds there.
#include <cstdio>
#include <cstring>

#include "board/game.h"
#include "book/book.h"
#include "fuzz_support.h"
#include "protocol/command_loop.h"
#include "protocol/engine_turn.h"
#include "search/classic/iterate.h"
#include "search/thinking.h"

namespace {

constexpr int32_t SEARCH_DEPTH = 1;

bool starts_with(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool is_result_line(const std::string& line) {
    return starts_with(line, "1-0 {") || starts_with(line, "0-1 {") ||
           starts_with(line, "1/2-1/2 {");
}

// The thinking output at depth 1: the header, or the book's announcement.
bool is_thinking_line(const std::string& line) {
    return line == "Depth  Score Elasped      Nodes Principal Variation" ||
           line == "0 0 0 0 Playing from book...";
}

void take_turn_and_check(const std::string& after) {
    const bool engine_to_move = engine_side == side_to_move && !force_mode;
    const std::vector<std::string> legal =
        engine_to_move ? fuzz::legal_move_texts() : std::vector<std::string>{};
    engine_turn();
    const std::string output = fuzz::take_output();
    const auto context = [&] {
        return "engine turn after \"" + after + "\"; it printed:\n" + output;
    };
    fuzz::check_position_with(context);
    if (!engine_to_move) {
        FUZZ_CHECK(output.empty(), context());
        return;
    }
    int moves = 0, results = 0;
    for (const std::string& line : fuzz::split_lines(output)) {
        if (starts_with(line, "move ")) {
            FUZZ_CHECK(moves == 0 && results == 0, context());
            FUZZ_CHECK(fuzz::contains(legal, line.substr(5)), context());
            ++moves;
        } else if (is_result_line(line)) {
            FUZZ_CHECK(results == 0, context());
            ++results;
        } else {
            FUZZ_CHECK(is_thinking_line(line) && moves == 0 && results == 0, context());
        }
    }
    FUZZ_CHECK(moves + results > 0, context());
}

// Handles one line as the loop does; false when it ended the engine.
bool handle_and_check(const std::string& line) {
    const bool move_shaped = looks_like_move(line.c_str());
    const bool legal = move_shaped && fuzz::is_legal_move_text(line);
    const bool room = game_history_has_room();
    try {
        handle_line(line.c_str());
    } catch (const fuzz::EngineExit& exit) {
        FUZZ_CHECK(exit.status == 0 && line == "quit", "the engine ended on \"" + line + "\"");
        fuzz::take_output();
        return false;
    }
    const std::string output = fuzz::take_output();
    const auto context = [&] { return "line \"" + line + "\"; the engine printed:\n" + output; };
    if (!move_shaped) {
        FUZZ_CHECK(output.empty(), context());
    } else if (legal && room) {
        FUZZ_CHECK(output.empty(), context());
    } else if (legal) {
        FUZZ_CHECK(output == "Illegal move (game too long): " + line + "\n", context());
    } else {
        FUZZ_CHECK(output == "Illegal move: " + line + "\n", context());
    }
    fuzz::check_position_with(context);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::set_up_engine();
    thinking_output = &xboard_thinking;
    book_file_name = fuzz::source_file("Vantrek.book");
    fuzz::hold_book_in_memory(book_file_name, fuzz::source_file_bytes("Vantrek.book"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::reset_engine();
    fuzz::clear_transposition_table();
    search_limits = SearchLimits{};
    search_limits.max_depth = SEARCH_DEPTH;
    search_limits.use_clock = false;

    take_turn_and_check("start-up");
    if (size == 0) return 0;
    std::FILE* input = fmemopen(const_cast<uint8_t*>(data), size, "r");
    FUZZ_CHECK(input != nullptr, "fmemopen");
    char buffer[INPUT_LINE_SIZE];
    while (read_line(buffer, INPUT_LINE_SIZE, input)) {
        const std::string line(buffer);
        if (!handle_and_check(line)) break;
        take_turn_and_check(line);
    }
    std::fclose(input);
    return 0;
}
