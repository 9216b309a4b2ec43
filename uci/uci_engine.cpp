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
#include "uci/strength.h"
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

bool is_go_keyword(const std::string& word) {
    static const char* const KEYWORDS[] = {"searchmoves", "ponder", "wtime",     "btime",
                                           "winc",        "binc",   "movestogo", "depth",
                                           "nodes",       "mate",   "movetime",  "infinite"};
    return std::any_of(std::begin(KEYWORDS), std::end(KEYWORDS),
                       [&](const char* keyword) { return word == keyword; });
}

// The moves after "searchmoves" from words[i + 1] on, up to the next keyword: each legal one
// once; the others are reported and left out.
void read_search_moves(const std::vector<std::string>& words, size_t& i, GoCommand& go) {
    for (; i + 1 < words.size() && !is_go_keyword(words[i + 1]); ++i) {
        Move move;
        if (!parse_user_move(words[i + 1].c_str(), move)) {
            send_line("info string searchmoves: " + words[i + 1] +
                      " is not a legal move here; left out");
            continue;
        }
        const bool named_before =
            std::any_of(go.search_moves.begin(), go.search_moves.end(),
                        [&](const Move& other) { return same_move(other, move); });
        if (!named_before) go.search_moves.push_back(move);
    }
}

GoCommand read_go(const std::vector<std::string>& words) {
    GoCommand go;
    const bool white = side_to_move == 1;
    bool limited = false;
    bool clock_given = false;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "wtime" || word == "btime") {
            const int64_t time = number_after(words, i);
            ((word == "wtime") == white ? go.own_time : go.other_time) = std::max<int64_t>(time, 0);
            clock_given = true;
        } else if (word == "winc" || word == "binc") {
            const int64_t increment = std::max<int64_t>(number_after(words, i), 0);
            if ((word == "winc") == white) go.own_increment = increment;
            clock_given = true;
        } else if (word == "movestogo") {
            go.moves_to_go =
                static_cast<int32_t>(std::clamp<int64_t>(number_after(words, i), 0, 1000));
            clock_given = true;
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
        } else if (word == "mate") {
            // Deeper than a mate in this many moves the deepest iteration does not see.
            go.mate = static_cast<int32_t>(
                std::clamp<int64_t>(number_after(words, i), 1, MAX_ITERATION_DEPTH));
            limited = true;
        } else if (word == "infinite") {
            go.infinite = true;
        } else if (word == "ponder") {
            go.ponder = true;
        } else if (word == "searchmoves") {
            read_search_moves(words, i, go);
        }
    }
    // A clock without the side to move's time (or with a negative one) leaves very little
    // time, never none at all: the engine still answers with a move.
    if (clock_given) {
        go.own_time = std::max<int64_t>(go.own_time, 0);
        limited = true;
    }
    // A "go" with no limit at all searches until "stop", like "go infinite".
    if (!limited) go.infinite = true;
    return go;
}

// A book file that cannot be opened, or whose entry count cannot be read (which ends the
// xboard engine when it probes it): the interface hears about it once, and the engine plays
// without the book until BookFile or OwnBook is set again. No shipped book is no fault: the
// engine then plays without one, as the xboard engine does, and says nothing. (Nor does the
// report quote the system's error text: xboard, behind polyglot, takes a line with "No such
// file or directory" for an engine that failed to start.)
void set_aside_unreadable_book() {
    if (!book_enabled || key_history_count > BOOK_PLY_LIMIT) return;
    uint32_t entry_count = 0;
    long records_end = 0;
    std::string_view held;
    bool readable;
    if (held_book_bytes(book_file_name.c_str(), held)) {
        readable = read_book_entry_count(held, entry_count, records_end);
    } else {
        std::FILE* file = std::fopen(book_file_name.c_str(), "rb");
        if (file == nullptr) {
            if (book_file_named())
                send_line("info string " + book_file_name +
                          " cannot be opened; playing without a book");
            book_enabled = 0;
            return;
        }
        readable = read_book_entry_count(file, entry_count, records_end);
        std::fclose(file);
    }
    if (readable) return;
    send_line("info string " + book_file_name +
              " has no readable entry count; playing without a book");
    book_enabled = 0;
}

// At a strength level: the limits of the level on top of the command's, and lines enough to
// choose among.
void limit_strength(const StrengthLevel& level) {
    search_limits.max_nodes =
        search_limits.max_nodes > 0 ? std::min(search_limits.max_nodes, level.nodes) : level.nodes;
    search_limits.max_depth = std::min(search_limits.max_depth, level.depth);
    search_limits.multi_pv = std::max(search_limits.multi_pv, level.lines);
}

// The line a strength level plays: drawn among the reported lines of the last depth, when the
// search's best move heads them.
Move level_choice(const Move& best) {
    const std::vector<ReportedLine>& lines = reported_lines();
    if (lines.size() < 2 || !same_move(lines[0].move, best)) return best;
    std::vector<int32_t> scores;
    for (const ReportedLine& line : lines)
        scores.push_back(line.score);
    const int32_t spread = strength_level(uci_settings.elo).spread;
    const uint64_t seed = choice_seed(uci_settings.strength_seed, hash_key);
    return lines[choose_line(scores, spread, seed)].move;
}

// The reply the played move's line expects, if the search reported one.
Move expected_reply(const Move& played) {
    for (const ReportedLine& line : reported_lines())
        if (same_move(line.move, played)) return line.reply;
    return NULL_MOVE;
}

void go(const std::vector<std::string>& words) {
    // 1. What the command asks, and what the options add: the lines, the overhead, a strength
    // level. An analysis (several lines, some moves only, a mate to find, or the analysis mode)
    // asks the search, not the book.
    set_aside_unreadable_book();
    const GoCommand command = read_go(words);
    set_limits_for(command, uci_settings.move_overhead, uci_settings.multi_pv);
    if (uci_settings.limit_strength) limit_strength(strength_level(uci_settings.elo));
    const bool analysis = uci_settings.analyse_mode || uci_settings.multi_pv > 1 ||
                          !command.search_moves.empty() || command.mate > 0;
    const uint8_t book_setting = book_enabled;
    if (analysis) book_enabled = 0;

    // 2. The search. One that may not answer yet (infinite, or pondering) waits for the word.
    node_count = 0;
    ply = 0;
    search_start_time = now_centiseconds();
    forget_reported_lines();
    search_running(true, command.ponder);
    Move best =
        selected_search() == SearchKind::STRONG ? strong_search_best_move() : search_best_move();
    wait_before_answering(command.infinite);
    search_running(false);
    if (analysis) book_enabled = book_setting;

    // 3. The answer: the move (a strength level's own choice), and the reply to ponder on.
    if (uci_settings.limit_strength) best = level_choice(best);
    char text[MOVE_TEXT_SIZE] = "0000";
    if (best.from != 0) format_move(text, best);
    std::string answer = std::string("bestmove ") + text;
    const Move reply = expected_reply(best);
    if (uci_settings.ponder && best.from != 0 && reply.from != 0) {
        format_move(text, reply);
        answer += std::string(" ponder ") + text;
    }
    send_line(answer);
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
    // Anything else is ignored: "stop" or "ponderhit" with no search, "debug", unknown lines,
    // and the "xboard" and "protover 2" with which an interface tries the xboard protocol
    // first.
    return true;
}

void run_uci_loop() {
    start_input_reader();
    while (handle_uci_command(next_input_line())) {
    }
}
