// Fuzz target: the UCI command handler. The input is what a UCI interface might send; every line
// goes to handle_uci_command as the engine's loop hands it over, against a fresh game, from a
// working directory of the target's own holding the shipped weight file and book and a few
// damaged ones. What must hold, after every line:
// - the position is consistent; a "position" command the engine refuses leaves it unchanged;
// - every line the engine prints is a UCI reply; a "go" gets exactly one "bestmove": a legal
//   move whenever the position has one, unless the last "position" was refused, when it is
//   0000; every principal variation it reports is a line of legal moves from the position
//   searched, and a score of mate 0 comes only from a position without a legal move;
// - only "quit" ends the command loop, and the engine never ends itself.
//
// What would block or reach outside one short run is bounded here, not in the engine: the
// input reader thread is never started (so "go infinite" returns once its search has ended),
// every search stops after its first iteration, a Hash of more than a few megabytes is
// lowered, and the file options may only name files of the working directory. New commands
// that block (pondering, say) need the same treatment: add it to bounded_line or to
// BoundedThinking.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "board/attack.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "eval/parameter_file.h"
#include "fuzz_support.h"
#include "search/classic/iterate.h"
#include "search/thinking.h"
#include "uci/uci_engine.h"
#include "uci/uci_thinking.h"

namespace {

constexpr int32_t SEARCH_DEPTH = 1;
constexpr int64_t HASH_LIMIT_MEGABYTES = 4;
// A centipawn score can be no larger than the evaluation's bound.
constexpr int64_t CENTIPAWN_BOUND = fuzz::EVALUATION_BOUND * 100 / 110;

// The engine's own thinking output, which in addition ends every search after SEARCH_DEPTH
// iterations, as "stop" would.
class BoundedThinking : public ThinkingOutput {
  public:
    void playing_from_book() override { uci_.playing_from_book(); }
    void search_started() override { uci_.search_started(); }
    void new_best_move(const ThinkingLine& line) override { uci_.new_best_move(line); }
    void iteration_finished(const ThinkingLine& line) override {
        uci_.iteration_finished(line);
        if (line.depth >= SEARCH_DEPTH) stop_requested.store(true);
    }

  private:
    UciThinking uci_;
};
BoundedThinking bounded_thinking;

bool options_changed = false;
// Set when the engine refused the last "position" (it then has no position to search), cleared
// by a position it took and by "ucinewgame".
bool position_refused = false;

// The engine runs in the scratch directory; libFuzzer, between inputs, in the directory it was
// started in, where the paths it was given lead.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::string& directory) {
        FUZZ_CHECK(getcwd(previous_, sizeof previous_) != nullptr, "getcwd");
        FUZZ_CHECK(chdir(directory.c_str()) == 0, "chdir " + directory);
    }
    ~WorkingDirectory() {
        if (chdir(previous_) != 0) std::abort();
    }

  private:
    char previous_[4096];
};

// The words of a line, split at white space as a stream's >> splits them (without the cost of
// a stream for every line and every reply).
std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    for (size_t at = 0; at < line.size();) {
        while (at < line.size() && space(line[at]))
            ++at;
        const size_t start = at;
        while (at < line.size() && !space(line[at]))
            ++at;
        if (at > start) words.emplace_back(line, start, at - start);
    }
    return words;
}

std::string lower_case(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return "";
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

// The line as the engine gets it: a "setoption" read the way set_option reads it, and replaced
// when it asks for a large table or names a file outside the working directory.
std::string bounded_line(const std::string& line) {
    const std::vector<std::string> words = words_of(line);
    if (words.empty() || words[0] != "setoption") return line;
    options_changed = true;
    const std::string lowered = lower_case(line);
    const size_t name_at = lowered.find(" name ");
    if (name_at == std::string::npos) return line;
    const size_t value_at = lowered.find(" value ", name_at);
    const std::string name = lower_case(trimmed(line.substr(
        name_at + 6, value_at == std::string::npos ? std::string::npos : value_at - name_at - 6)));
    const std::string value =
        value_at == std::string::npos ? "" : trimmed(line.substr(value_at + 7));
    if (name == "hash") {
        int64_t megabytes = 0;
        try {
            megabytes = std::stoll(value);
        } catch (...) {
            return line;
        }
        return megabytes > HASH_LIMIT_MEGABYTES ? "setoption name Hash value 4" : line;
    }
    if ((name == "bookfile" || name == "parameterfile") && value.find('/') != std::string::npos)
        return "setoption name " + name + " value elsewhere";
    return line;
}

// The weights as the shipped weight file sets them, taken at start-up.
std::vector<double> shipped_weights;

std::vector<double> current_weights() {
    std::vector<double> weights;
    for (const ParameterItem& item : PARAMETER_ITEMS)
        weights.push_back(item.integer != nullptr ? *item.integer : *item.real);
    return weights;
}

void restore_options() {
    handle_uci_command("setoption name OwnBook value true");
    handle_uci_command("setoption name BookFile value Vantrek.book");
    // The weight file is read only when ParameterFile is set, so once the weights are the
    // shipped ones again nothing of another file remains; reading it anew is skipped then.
    if (current_weights() != shipped_weights)
        handle_uci_command("setoption name ParameterFile value kelmora.ini");
    options_changed = false;
}

// Plays the moves of a principal variation from the current position and takes them back;
// false at the first that is not legal there.
bool is_line_of_legal_moves(const std::vector<std::string>& moves) {
    std::vector<Move> played(moves.size());
    std::vector<MoveUndo> undos(moves.size());
    size_t count = 0;
    bool legal = true;
    for (; count < moves.size(); ++count) {
        Move move;
        if (!parse_user_move(moves[count].c_str(), move)) {
            legal = false;
            break;
        }
        played[count] = move;
        play_move(played.data(), static_cast<int>(count), undos[count]);
    }
    while (count > 0) {
        --count;
        take_back_move(played.data(), static_cast<int>(count), undos[count]);
    }
    return legal;
}

// An "info" line: a string, or depth, score, time, nodes, speed and a variation.
void check_info_line(const std::vector<std::string>& words, bool mated,
                     const std::string& context) {
    if (words.size() >= 2 && words[1] == "string") return;
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "score") {
            FUZZ_CHECK(i + 2 < words.size(), context);
            const int64_t value = std::stoll(words[i + 2]);
            if (words[i + 1] == "cp")
                FUZZ_CHECK(std::llabs(value) < CENTIPAWN_BOUND, context);
            else
                FUZZ_CHECK(words[i + 1] == "mate" && (value != 0 || mated), context);
        }
        if (words[i] == "pv") {
            const std::vector<std::string> moves(words.begin() + static_cast<long>(i) + 1,
                                                 words.end());
            FUZZ_CHECK(is_line_of_legal_moves(moves), context);
            return;
        }
    }
}

// Handles one line; false when it ended the loop.
bool handle_and_check(const std::string& received) {
    const std::string line = bounded_line(received);
    const std::vector<std::string> words = words_of(line);
    const std::string command = words.empty() ? "" : words[0];
    // The legal moves are needed to check a "bestmove" only.
    const std::vector<std::string> legal =
        command == "go" ? fuzz::legal_move_texts() : std::vector<std::string>{};
    const bool mated = command == "go" && legal.empty() && side_to_move_in_check();
    const fuzz::PositionSnapshot before = fuzz::snapshot();
    bool goes_on = true;
    try {
        goes_on = handle_uci_command(line);
    } catch (const fuzz::EngineExit& exit) {
        FUZZ_CHECK(false, "the engine ended itself (status " + std::to_string(exit.status) +
                              ") on \"" + line + "\"\n" + fuzz::take_output());
    }
    const std::string output = fuzz::take_output();
    const auto context = [&] { return "line \"" + line + "\"; the engine printed:\n" + output; };
    FUZZ_CHECK(goes_on || command == "quit", context());
    int best_moves = 0;
    bool refused = false;
    for (const std::string& reply : fuzz::split_lines(output)) {
        const std::vector<std::string> reply_words = words_of(reply);
        FUZZ_CHECK(!reply_words.empty(), context());
        const std::string& kind = reply_words[0];
        if (kind == "bestmove") {
            FUZZ_CHECK(command == "go" && best_moves == 0 && reply_words.size() == 2, context());
            if (position_refused)
                FUZZ_CHECK(reply_words[1] == "0000", context());
            else
                FUZZ_CHECK(fuzz::contains(legal, reply_words[1]) ||
                               (legal.empty() && reply_words[1] == "0000"),
                           context());
            ++best_moves;
        } else if (kind == "info") {
            FUZZ_CHECK(best_moves == 0, context());
            if (command == "go")
                check_info_line(reply_words, mated && !position_refused, context());
            if (reply.find("info string bad FEN") == 0 ||
                reply.find("info string position needs") == 0)
                refused = true;
        } else if (kind == "readyok") {
            FUZZ_CHECK(command == "isready" && reply_words.size() == 1, context());
        } else {
            FUZZ_CHECK(command == "uci" && (kind == "id" || kind == "option" || kind == "uciok"),
                       context());
        }
    }
    if (command == "go") FUZZ_CHECK(best_moves == 1, context());
    if (refused && command == "position") FUZZ_CHECK(fuzz::snapshot() == before, context());
    if (command == "position")
        position_refused =
            output.find("; no position to search until the next good one") != std::string::npos;
    if (command == "ucinewgame") position_refused = false;
    fuzz::check_position_with(context);
    return goes_on;
}

// A book in the working directory, which the engine reads from memory (the same bytes): every
// search probes the book, and through the file system that took a quarter of the run.
void write_book(const std::string& name, const std::string& bytes) {
    fuzz::write_scratch_file(name, bytes);
    fuzz::hold_book_in_memory(name, bytes);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::set_up_harness();
    // The working directory: the shipped files, an empty book, a book whose count is 0, and a
    // weight file with absurd values.
    const std::string& directory = fuzz::scratch_directory();
    fuzz::write_scratch_file("kelmora.ini", fuzz::source_file_bytes("kelmora.ini"));
    write_book("Vantrek.book", fuzz::source_file_bytes("Vantrek.book"));
    write_book("empty.book", "");
    write_book("zero.book", std::string(4, '\0'));
    fuzz::write_scratch_file("bad.ini", "BLOCKED_CENTER_PAWN=99999999999\nROOK_TRAPPED=-7e9\n"
                                        "DOUBLED_ROOKS=nan\nOFFENSIVENESS=inf\n");
    WorkingDirectory inside(directory);
    start_uci_engine();
    thinking_output = &bounded_thinking;
    shipped_weights = current_weights();
    fuzz::take_output();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WorkingDirectory inside(fuzz::scratch_directory());
    if (options_changed) restore_options();
    fuzz::reset_engine();
    fuzz::clear_transposition_table();
    // Each input starts from a position the engine has taken.
    handle_uci_command("position startpos");
    position_refused = false;
    fuzz::take_output();
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    for (std::string line; std::getline(input, line);) {
        // The engine's reader drops a carriage return before the line feed.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!handle_and_check(line)) break;
    }
    return 0;
}
