#include "uci/uci_engine.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <sstream>
#include <vector>

#include "board/fen.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/position.h"
#include "book/book.h"
#include "protocol/command_loop.h"
#include "protocol/move_text.h"
#include "search/clock.h"
#include "search/iterate.h"
#include "search/strong_root.h"
#include "search/thinking.h"
#include "search/transposition.h"
#include "uci/uci_input.h"
#include "uci/uci_options.h"
#include "uci/uci_output.h"
#include "uci/uci_thinking.h"
#include "uci/uci_time.h"

namespace {

UciThinking uci_thinking;

std::vector<std::string> words_of(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

// Plays the moves of a "position" command from words[first] on; an illegal move ends the list
// there, with the position reached before it.
void play_moves(const std::vector<std::string>& words, size_t first) {
    for (size_t i = first; i < words.size(); ++i) {
        Move move;
        if (!parse_user_move(words[i].c_str(), move)) {
            send_line("info string illegal move " + words[i] +
                      " in position command; the "
                      "position is the one before it");
            return;
        }
        if (!game_history_has_room()) {
            send_line("info string game too long at move " + words[i] + "; the rest is ignored");
            return;
        }
        make_move(&move, 0);
        rebuild_piece_list();
    }
}

void set_position(const std::vector<std::string>& words) {
    if (words.size() < 2) return;
    const auto moves = std::find(words.begin(), words.end(), "moves");
    if (words[1] == "startpos") {
        new_game();
    } else if (words[1] == "fen") {
        std::string fen;
        for (auto word = words.begin() + 2; word != moves; ++word)
            fen += *word + " ";
        std::string error;
        if (!set_position_from_fen(fen, error)) {
            send_line("info string bad FEN (" + error + "); the position is unchanged");
            return;
        }
    } else {
        send_line("info string position needs startpos or fen");
        return;
    }
    if (moves != words.end()) play_moves(words, static_cast<size_t>(moves - words.begin()) + 1);
}

int64_t number_after(const std::vector<std::string>& words, size_t& i) {
    if (i + 1 >= words.size()) return 0;
    ++i;
    try {
        return std::stoll(words[i]);
    } catch (...) {
        return 0;
    }
}

GoCommand read_go(const std::vector<std::string>& words) {
    GoCommand go;
    const bool white = side_to_move == 1;
    bool limited = false;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "wtime" || word == "btime") {
            const int64_t time = number_after(words, i);
            ((word == "wtime") == white ? go.own_time : go.other_time) = time;
            limited = true;
        } else if (word == "winc" || word == "binc") {
            const int64_t increment = number_after(words, i);
            if ((word == "winc") == white) go.own_increment = increment;
        } else if (word == "movestogo") {
            go.moves_to_go =
                static_cast<int32_t>(std::clamp<int64_t>(number_after(words, i), 0, 1000));
        } else if (word == "movetime") {
            go.move_time = std::max<int64_t>(number_after(words, i), 0);
            limited = true;
        } else if (word == "depth") {
            go.depth =
                static_cast<int32_t>(std::clamp<int64_t>(number_after(words, i), 1, INT32_MAX));
            limited = true;
        } else if (word == "nodes") {
            go.nodes = std::max<int64_t>(number_after(words, i), 1);
            limited = true;
        } else if (word == "infinite") {
            go.infinite = true;
        }
    }
    // A "go" with no limit at all searches until "stop", like "go infinite".
    if (!limited) go.infinite = true;
    return go;
}

// A book file whose entry count cannot be read ends the xboard engine when it probes it; an
// interface that named a damaged file hears about it, and the engine plays without the book.
void set_aside_unreadable_book() {
    if (!book_enabled || key_history_count > BOOK_PLY_LIMIT) return;
    std::FILE* file = std::fopen(book_file_name.c_str(), "rb");
    if (file == nullptr) return; // choose_book_move reports a missing book itself
    uint32_t entry_count = 0;
    long records_end = 0;
    const bool readable = read_book_entry_count(file, entry_count, records_end);
    std::fclose(file);
    if (readable) return;
    send_line("info string " + book_file_name +
              " has no readable entry count; playing without a book");
    book_enabled = 0;
}

void go(const std::vector<std::string>& words) {
    set_aside_unreadable_book();
    const GoCommand command = read_go(words);
    set_limits_for(command);
    node_count = 0;
    ply = 0;
    search_start_time = now_centiseconds();
    search_running(true);
    const Move best =
        selected_search() == SearchKind::STRONG ? strong_search_best_move() : search_best_move();
    // An infinite search answers only when told to stop, even when it ran out of depth.
    if (command.infinite) wait_for_stop();
    search_running(false);
    char text[MOVE_TEXT_SIZE] = "0000";
    if (best.from != 0) format_move(text, best);
    send_line(std::string("bestmove ") + text);
}

void identify() {
    send_line("id name Vantrek " VANTREK_VERSION);
    send_line("id author the Vantrek developers");
    for (const auto& option : option_declarations())
        send_line(option);
    send_line("uciok");
}

} // namespace

void start_uci_engine() {
    init_keys();
    tt_allocate();
    new_game();
    init_book_index_mask();
    thinking_output = &uci_thinking;
    load_parameter_file();
    locate_book_file();
}

bool handle_uci_command(const std::string& line) {
    const std::vector<std::string> words = words_of(line);
    if (words.empty()) return true;
    const std::string& command = words[0];
    if (command == "uci") {
        identify();
    } else if (command == "isready") {
        send_line("readyok");
    } else if (command == "ucinewgame") {
        new_game();
        tt_clear();
        strong_new_game();
    } else if (command == "setoption") {
        set_option(line);
    } else if (command == "position") {
        set_position(words);
    } else if (command == "go") {
        go(words);
    } else if (command == "quit") {
        return false;
    }
    // Anything else ("stop" with no search, "debug", "ponderhit", unknown lines) is ignored.
    return true;
}

void run_uci_loop() {
    start_input_reader();
    while (handle_uci_command(next_input_line())) {
    }
}
