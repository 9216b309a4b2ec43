#include "uci/uci_engine.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <sstream>
#include <vector>

#include "board/attack.h"
#include "board/fen.h"
#include "board/game.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/movegen.h"
#include "board/position.h"
#include "book/book.h"
#include "search/classic/iterate.h"
#include "search/clock.h"
#include "search/strong/root.h"
#include "search/strong/time_management.h"
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

// Whether the engine holds the position the interface last sent. After a "position" that could
// not be set up, a search would answer for the position before it, which the interface no
// longer shows: every "go" is answered "bestmove 0000" until a good "position" comes.
bool position_usable = true;
std::string unusable_reason;

// The weight file's echo at start-up, held until the interface has spoken: interfaces read
// what comes before "uciok" as the engine's identity.
std::vector<std::string> held_startup_echo;

void send_held_startup_echo() {
    for (const std::string& line : held_startup_echo)
        send_line(line);
    held_startup_echo.clear();
    held_startup_echo.shrink_to_fit();
}

void refuse_position(const std::string& reason) {
    position_usable = false;
    unusable_reason = reason;
    send_line("info string " + reason + "; no position to search until the next good one");
}

// A move as interfaces send it: UCI writes promotions in lower case, but an upper-case letter
// (e7e8Q) is meant the same.
bool parse_uci_move(std::string text, Move& move) {
    if (text.size() == 5)
        text[4] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[4])));
    return parse_user_move(text.c_str(), move);
}

std::vector<std::string> words_of(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

// Plays the moves of a "position" command from words[first] on. A move that is not legal
// leaves no position the interface means: the position is refused.
void play_moves(const std::vector<std::string>& words, size_t first) {
    for (size_t i = first; i < words.size(); ++i) {
        Move move;
        if (!parse_uci_move(words[i], move)) {
            refuse_position("illegal move " + words[i] + " in position command");
            return;
        }
        if (!game_history_has_room()) {
            refuse_position("game too long at move " + words[i]);
            return;
        }
        make_move(&move, 0);
        rebuild_piece_list();
    }
}

void set_position(const std::vector<std::string>& words) {
    if (words.size() < 2) {
        refuse_position("position needs startpos or fen");
        return;
    }
    const auto moves = std::find(words.begin(), words.end(), "moves");
    if (words[1] == "startpos") {
        new_game();
    } else if (words[1] == "fen") {
        std::string fen;
        for (auto word = words.begin() + 2; word != moves; ++word)
            fen += *word + " ";
        std::string error;
        std::vector<std::string> repairs;
        if (!set_position_from_fen(fen, error, &repairs)) {
            refuse_position("bad FEN (" + error + ")");
            return;
        }
        for (const std::string& repair : repairs)
            send_line("info string FEN: " + repair);
    } else {
        refuse_position("position needs startpos or fen");
        return;
    }
    position_usable = true;
    if (moves != words.end()) play_moves(words, static_cast<size_t>(moves - words.begin()) + 1);
}

// The number after words[i] (and i moved onto it), as a count of milliseconds, nodes or plies:
// digits beyond what 64 bits hold saturate rather than wrap or fail, a negative number is 0, and
// so is a word that is not a number. Every value is then held to `most`.
int64_t number_after(const std::vector<std::string>& words, size_t& i, int64_t most) {
    if (i + 1 >= words.size()) return 0;
    const std::string& text = words[++i];
    size_t at = text[0] == '+' || text[0] == '-' ? 1 : 0;
    if (at == text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) return 0;
    if (text[0] == '-') return 0;
    int64_t value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        const int digit = text[at] - '0';
        if (value > (most - digit) / 10) return most;
        value = value * 10 + digit;
    }
    return value;
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
        if (!parse_uci_move(words[i + 1], move)) {
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
            const int64_t time = number_after(words, i, MAX_CLOCK_MILLISECONDS);
            ((word == "wtime") == white ? go.own_time : go.other_time) = time;
            clock_given = true;
        } else if (word == "winc" || word == "binc") {
            const int64_t increment = number_after(words, i, MAX_CLOCK_MILLISECONDS);
            if ((word == "winc") == white) go.own_increment = increment;
            clock_given = true;
        } else if (word == "movestogo") {
            go.moves_to_go = static_cast<int32_t>(number_after(words, i, 1000));
            clock_given = true;
        } else if (word == "movetime") {
            go.move_time = number_after(words, i, MAX_CLOCK_MILLISECONDS);
            limited = true;
        } else if (word == "depth") {
            go.depth =
                static_cast<int32_t>(std::max<int64_t>(number_after(words, i, INT32_MAX), 1));
            limited = true;
        } else if (word == "nodes") {
            go.nodes = std::max<int64_t>(number_after(words, i, INT64_MAX), 1);
            limited = true;
        } else if (word == "mate") {
            // Deeper than a mate in this many moves the deepest iteration does not see.
            go.mate = static_cast<int32_t>(
                std::max<int64_t>(number_after(words, i, MAX_ITERATION_DEPTH), 1));
            limited = true;
        } else if (word == "infinite") {
            go.infinite = true;
        } else if (word == "ponder") {
            go.ponder = true;
        } else if (word == "searchmoves") {
            if (position_usable)
                read_search_moves(words, i, go);
            else
                while (i + 1 < words.size() && !is_go_keyword(words[i + 1]))
                    ++i;
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

// True when the side to move has a legal move.
bool has_legal_move() {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    for (int32_t i = 0; i < count; ++i) {
        MoveUndo undo;
        const bool legal = play_move(list, i, undo);
        take_back_move(list, i, undo);
        if (legal) return true;
    }
    return false;
}

void go(const std::vector<std::string>& words) {
    // 1. What the command asks, and what the options add: the lines, the overhead, a strength
    // level. An analysis (no end but "stop", several lines, some moves only, a mate to find, or
    // the analysis mode) asks the search, not the book.
    const int64_t received_at = now_milliseconds();
    start_thinking_clock();
    const GoCommand command = read_go(words);
    const bool searchable = position_usable;
    if (searchable) {
        set_aside_unreadable_book();
        set_limits_for(command, uci_settings.move_overhead, uci_settings.multi_pv);
        if (uci_settings.limit_strength) {
            limit_strength(strength_level(uci_settings.elo));
            search_limits.use_helpers = false;
        }
    } else {
        send_line("info string " + unusable_reason + "; send a position to search");
    }
    const bool analysis = uci_settings.analyse_mode || uci_settings.multi_pv > 1 ||
                          !command.search_moves.empty() || command.mate > 0 || command.infinite;
    const uint8_t book_setting = book_enabled;
    if (analysis) book_enabled = 0;

    // 2. The search. One that may not answer yet (infinite, or pondering) waits for the word;
    // so does the answer for a position that could not be set up.
    node_count = 0;
    ply = 0;
    search_start_time = now_centiseconds();
    command_received_at = received_at;
    forget_reported_lines();
    search_running(true, command.ponder);
    Move best = NULL_MOVE;
    if (searchable)
        best = selected_search() == SearchKind::STRONG ? strong_search_best_move()
                                                       : search_best_move();
    wait_before_answering(command.infinite);
    search_running(false);
    if (analysis) book_enabled = book_setting;

    // 3. The answer: the move (a strength level's own choice), and the reply to ponder on. A
    // root without a legal move says first how the game ended: mated, or stalemate.
    if (searchable && best.from != 0 && uci_settings.limit_strength) best = level_choice(best);
    if (searchable && best.from == 0 && !has_legal_move())
        send_line(side_to_move_in_check() ? "info depth 0 score mate 0"
                                          : "info depth 0 score cp 0");
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

// The engine's state as after a fresh start: a new game, and nothing that either search has
// learnt (the table's moves and depths, the ordering's histories), so that each game is played
// as if it were the first.
void start_new_game() {
    new_game();
    position_usable = true;
    forget_search_memory();
}

} // namespace

void start_uci_engine() {
    init_keys();
    tt_allocate();
    new_game();
    init_book_index_mask();
    thinking_output = &uci_thinking;
    size_tables_at_start();
    load_parameter_file(&held_startup_echo);
    locate_book_file();
    start_network();
}

bool handle_uci_command(const std::string& line) {
    const std::vector<std::string> words = words_of(line);
    if (words.empty()) return true;
    const std::string& command = words[0];
    if (command == "uci") {
        identify();
        send_held_startup_echo();
        return true;
    }
    send_held_startup_echo();
    if (command == "isready") {
        send_line("readyok");
    } else if (command == "ucinewgame") {
        start_new_game();
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
