#include "uci/uci_options.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <sstream>

#include "book/book.h"
#include "book/book_file.h"
#include "eval/parameter_file.h"
#include "nnue/accumulator.h"
#include "nnue/network.h"
#include "search/strong/root.h"
#include "search/strong/table.h"
#include "search/strong/threads.h"
#include "search/strong/time_management.h"
#include "search/transposition.h"
#include "uci/data_files.h"
#include "uci/strength.h"
#include "uci/uci_output.h"

UciSettings uci_settings;

namespace {

// Hash is given in megabytes. The strong search's table is as large as asked; the classic
// search's is sized in units of 512 KiB, as its "-hash" sizes it, up to its own largest size.
// Only the table of the search selected has that size; the other keeps its smallest.
constexpr int32_t UNITS_PER_MEGABYTE = 2;
constexpr int64_t DEFAULT_HASH_MEGABYTES = DEFAULT_STRONG_TABLE_MEGABYTES;
constexpr int64_t MAX_HASH_MEGABYTES = 1 << 20;
constexpr int32_t MAX_CLASSIC_HASH_MEGABYTES = MAX_HASH_SIZE / UNITS_PER_MEGABYTE;
constexpr const char* DEFAULT_PARAMETER_FILE = "kelmora.ini";
// No chess position has more legal moves than this: MultiPV asks for at most every one.
constexpr int32_t MAX_MULTI_PV = 218;
// Longer than any interface waits for a move to arrive.
constexpr int32_t MAX_MOVE_OVERHEAD = 5000;
constexpr int32_t MAX_SEED = 2147483647;

// The files as the options name them. The default names stand for the shipped files, found in
// the working directory or else in the installation (uci/data_files.h); any other name, even a
// path such as ./kelmora.ini, is opened as given.
std::string parameter_file_name = DEFAULT_PARAMETER_FILE;
std::string book_file_option = BOOK_FILE_NAME;
bool own_book = true;
SearchKind search_kind = SearchKind::STRONG;
int64_t hash_megabytes = DEFAULT_HASH_MEGABYTES;
// EvalFile's default: the network built into the program.
constexpr const char* BUILT_IN_NETWORK = "built-in";
bool use_network = true;

enum class OptionType { CHECK, SPIN, COMBO, BUTTON, STRING };

// One option: how the handshake declares it, its value as last set (as text), and what setting
// a value that passed the checks does.
struct Option {
    std::string name;
    OptionType type;
    std::string value;
    int64_t min = 0;
    int64_t max = 0;
    std::vector<std::string> choices;
    std::function<void(const std::string&)> apply;
};

std::string lower_case(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return "";
    const size_t end = text.find_last_not_of(" \t");
    return text.substr(start, end - start + 1);
}

// The words of a name, lower case, joined by single blanks: "move  OVERHEAD" names Move
// Overhead.
std::string name_key(const std::string& name) {
    std::istringstream words(lower_case(name));
    std::string key;
    for (std::string word; words >> word;)
        key += (key.empty() ? "" : " ") + word;
    return key;
}

// A whole decimal number, with an optional sign, that fits in 64 bits.
bool read_integer(const std::string& text, int64_t& number) {
    if (text.empty()) return false;
    size_t used = 0;
    try {
        number = std::stoll(text, &used);
    } catch (...) {
        return false;
    }
    return used == text.size();
}

// Gives the selected search's table `megabytes` and the other one its smallest size; true when
// the memory could be had (otherwise both tables stay as they were, and the interface hears
// why).
bool size_tables(SearchKind kind, int64_t megabytes) {
    if (kind == SearchKind::STRONG) {
        if (!strong_table_resize(static_cast<size_t>(megabytes))) {
            send_line("info string not enough memory for " + std::to_string(megabytes) +
                      " MB of hash; the table keeps its size");
            return false;
        }
        tt_resize(1);
        return true;
    }
    if (megabytes > MAX_CLASSIC_HASH_MEGABYTES) {
        send_line("info string the classic search's table holds at most " +
                  std::to_string(MAX_CLASSIC_HASH_MEGABYTES) + " MB; it takes that");
        megabytes = MAX_CLASSIC_HASH_MEGABYTES;
    }
    if (!tt_resize(static_cast<int32_t>(megabytes) * UNITS_PER_MEGABYTE)) {
        send_line("info string not enough memory for " + std::to_string(megabytes) +
                  " MB of hash; the table keeps its size");
        return false;
    }
    strong_table_resize(1);
    return true;
}

void set_hash(const std::string& value) {
    const int64_t megabytes = std::stoll(value);
    if (size_tables(search_kind, megabytes)) hash_megabytes = megabytes;
}

// The strong search's threads; the classic search runs on one whatever this says.
void set_threads(const std::string& value) {
    const auto count = static_cast<int32_t>(std::stoll(value));
    if (!set_search_thread_count(count))
        send_line("info string not enough memory or threads for " + std::to_string(count) +
                  " threads; the search keeps " + std::to_string(search_thread_count()));
}

void set_own_book(const std::string& value) {
    own_book = value == "true";
    book_enabled = own_book ? 1 : 0;
}

void set_book_file(const std::string& value) {
    book_file_option = value;
    locate_book_file();
    // A book that could not be opened before may be there now.
    book_enabled = own_book ? 1 : 0;
}

// The strong search evaluates with the network when one is loaded and "Use NNUE" is on. A
// strength level keeps the hand-written evaluation: its rating scale was measured with it. The
// evaluations the table keeps were another evaluation's: they go.
void update_network_use() {
    nnue_enabled = use_network && active_network.hidden > 0 && !uci_settings.limit_strength;
    strong_table_clear();
}

// A file that cannot be used is reported, and the network in use stays.
void set_eval_file(const std::string& value) {
    std::string error;
    if (value.empty() || value == BUILT_IN_NETWORK) {
        if (!use_embedded_network())
            send_line("info string no network is built into this program; the evaluation is "
                      "the hand-written one unless EvalFile names a file");
    } else if (!load_network_file(value, error)) {
        send_line("info string " + error + "; the network in use stays");
    } else {
        send_line("info string network " + value + " loaded (" +
                  std::to_string(active_network.hidden) + " hidden units)");
    }
    update_network_use();
}

void clear_hash(const std::string&) {
    forget_search_memory();
}

std::vector<Option>& options() {
    static std::vector<Option> all = [] {
        auto flag = [](bool& setting) {
            return [&setting](const std::string& value) { setting = value == "true"; };
        };
        auto ignore = [](const std::string&) {};
        std::vector<Option> list;
        list.push_back({"Hash",
                        OptionType::SPIN,
                        std::to_string(DEFAULT_HASH_MEGABYTES),
                        1,
                        MAX_HASH_MEGABYTES,
                        {},
                        set_hash});
        list.push_back({"Clear Hash", OptionType::BUTTON, "", 0, 0, {}, clear_hash});
        list.push_back({"Threads", OptionType::SPIN, "1", 1, MAX_SEARCH_THREADS, {}, set_threads});
        list.push_back(
            {"MultiPV", OptionType::SPIN, "1", 1, MAX_MULTI_PV, {}, [](const std::string& value) {
                 uci_settings.multi_pv = static_cast<int32_t>(std::stoll(value));
             }});
        list.push_back({"Ponder", OptionType::CHECK, "false", 0, 0, {}, flag(uci_settings.ponder)});
        list.push_back(
            {"Move Overhead",
             OptionType::SPIN,
             std::to_string(DEFAULT_MOVE_OVERHEAD),
             0,
             MAX_MOVE_OVERHEAD,
             {},
             [](const std::string& value) { uci_settings.move_overhead = std::stoll(value); }});
        list.push_back({"OwnBook", OptionType::CHECK, "true", 0, 0, {}, set_own_book});
        list.push_back({"BookFile", OptionType::STRING, BOOK_FILE_NAME, 0, 0, {}, set_book_file});
        list.push_back({"ParameterFile",
                        OptionType::STRING,
                        DEFAULT_PARAMETER_FILE,
                        0,
                        0,
                        {},
                        [](const std::string& value) {
                            parameter_file_name = value;
                            load_parameter_file();
                            // The evaluations the table keeps were made with other weights.
                            strong_table_clear();
                        }});
        list.push_back({"Search",
                        OptionType::COMBO,
                        "strong",
                        0,
                        0,
                        {"strong", "classic"},
                        [](const std::string& value) {
                            const SearchKind kind =
                                value == "classic" ? SearchKind::CLASSIC : SearchKind::STRONG;
                            if (kind != search_kind) size_tables(kind, hash_megabytes);
                            search_kind = kind;
                        }});
        list.push_back({"EvalFile", OptionType::STRING, BUILT_IN_NETWORK, 0, 0, {}, set_eval_file});
        list.push_back(
            {"Use NNUE", OptionType::CHECK, "true", 0, 0, {}, [](const std::string& value) {
                 use_network = value == "true";
                 update_network_use();
             }});
        list.push_back(
            {"UCI_ShowWDL", OptionType::CHECK, "false", 0, 0, {}, flag(uci_settings.show_wdl)});
        list.push_back({"UCI_LimitStrength",
                        OptionType::CHECK,
                        "false",
                        0,
                        0,
                        {},
                        [](const std::string& value) {
                            uci_settings.limit_strength = value == "true";
                            update_network_use();
                        }});
        list.push_back({"UCI_Elo",
                        OptionType::SPIN,
                        std::to_string(DEFAULT_ELO),
                        MIN_ELO,
                        MAX_ELO,
                        {},
                        [](const std::string& value) {
                            uci_settings.elo = static_cast<int32_t>(std::stoll(value));
                        }});
        list.push_back(
            {"Strength Seed", OptionType::SPIN, "0", 0, MAX_SEED, {}, [](const std::string& value) {
                 uci_settings.strength_seed = static_cast<uint32_t>(std::stoll(value));
             }});
        list.push_back({"UCI_AnalyseMode",
                        OptionType::CHECK,
                        "false",
                        0,
                        0,
                        {},
                        flag(uci_settings.analyse_mode)});
        list.push_back({"UCI_Opponent", OptionType::STRING, "", 0, 0, {}, ignore});
        return list;
    }();
    return all;
}

std::string declaration(const Option& option) {
    std::string line = "option name " + option.name + " type ";
    switch (option.type) {
    case OptionType::CHECK: return line + "check default " + option.value;
    case OptionType::SPIN:
        return line + "spin default " + option.value + " min " + std::to_string(option.min) +
               " max " + std::to_string(option.max);
    case OptionType::COMBO:
        line += "combo default " + option.value;
        for (const std::string& choice : option.choices)
            line += " var " + choice;
        return line;
    case OptionType::BUTTON: return line + "button";
    case OptionType::STRING: break;
    }
    return line + "string default " + (option.value.empty() ? "<empty>" : option.value);
}

// The value as the option takes it, or nothing after an "info string" that says why it was
// refused. Out of range, a number is brought to the nearer bound. Only a string may be empty,
// and only when asked for ("value" with nothing after it, or "<empty>").
std::optional<std::string> checked_value(const Option& option, const std::string& given,
                                         bool has_value) {
    const std::string refusal = "info string " + option.name;
    const std::string stays = "; it stays " + (option.value.empty() ? "<empty>" : option.value);
    if (!has_value || (given.empty() && option.type != OptionType::STRING)) {
        send_line(refusal + " needs a value" + stays);
        return std::nullopt;
    }
    if (option.type == OptionType::STRING) return given == "<empty>" ? "" : given;
    const std::string lowered = lower_case(given);
    if (option.type == OptionType::CHECK) {
        if (lowered == "true" || lowered == "false") return lowered;
        send_line(refusal + " is true or false" + stays);
        return std::nullopt;
    }
    if (option.type == OptionType::COMBO) {
        for (const std::string& choice : option.choices)
            if (lowered == choice) return choice;
        std::string choices;
        for (const std::string& choice : option.choices)
            choices += (choices.empty() ? "" : " or ") + choice;
        send_line(refusal + " is " + choices + stays);
        return std::nullopt;
    }
    int64_t number = 0;
    const std::string range = std::to_string(option.min) + " to " + std::to_string(option.max);
    if (!read_integer(given, number)) {
        send_line(refusal + " needs a whole number from " + range + stays);
        return std::nullopt;
    }
    if (number < option.min || number > option.max) {
        number = std::clamp(number, option.min, option.max);
        send_line(refusal + " is " + range + "; set to " + std::to_string(number));
    }
    return std::to_string(number);
}

} // namespace

SearchKind selected_search() {
    return search_kind;
}

bool book_file_named() {
    return book_file_option != BOOK_FILE_NAME;
}

bool own_book_option() {
    return own_book;
}

std::vector<std::string> option_declarations() {
    std::vector<std::string> lines;
    for (const Option& option : options())
        lines.push_back(declaration(option));
    return lines;
}

void set_option(const std::string& line) {
    // 1. setoption name <name> [value <value>]: the name runs up to the word "value" and may
    // hold blanks; the value is the rest of the line as given (a file name may hold blanks).
    std::istringstream words(line);
    std::string word;
    words >> word; // setoption
    if (!(words >> word) || lower_case(word) != "name") {
        send_line("info string setoption needs: setoption name <name> [value <value>]");
        return;
    }
    std::string name;
    bool has_value = false;
    while (words >> word) {
        if (lower_case(word) == "value") {
            has_value = true;
            break;
        }
        name += (name.empty() ? "" : " ") + word;
    }
    std::string value;
    if (has_value) std::getline(words, value);
    value = trimmed(value);

    // 2. The option, whatever the case and spacing of its name.
    const std::string key = name_key(name);
    const auto found = std::find_if(options().begin(), options().end(), [&](const Option& option) {
        return name_key(option.name) == key;
    });
    if (found == options().end()) {
        send_line(name.empty() ? "info string setoption needs a name"
                               : "info string unknown option " + name);
        return;
    }

    // 3. A button acts; anything else takes its value once the value passes the checks.
    Option& option = *found;
    if (option.type == OptionType::BUTTON) {
        option.apply("");
        return;
    }
    const std::optional<std::string> taken = checked_value(option, value, has_value);
    if (!taken) return;
    option.value = *taken;
    option.apply(*taken);
}

void start_network() {
    use_embedded_network();
    update_network_use();
}

void forget_search_memory() {
    // The whole tables: emptying only the depths would leave their moves to order the search.
    tt_wipe();
    strong_table_clear();
    strong_new_game();
}

void size_tables_at_start() {
    size_tables(search_kind, hash_megabytes);
}

void load_parameter_file(std::vector<std::string>* held) {
    // The echo goes out as "info string" lines: bare text could be taken for a command reply.
    const std::string file = parameter_file_name == DEFAULT_PARAMETER_FILE
                                 ? locate_shipped_file(parameter_file_name)
                                 : parameter_file_name;
    const std::string report = load_parameters_from(file.c_str());
    size_t start = 0;
    while (start < report.size()) {
        size_t end = report.find('\n', start);
        if (end == std::string::npos) end = report.size();
        if (end > start) {
            std::string line = "info string " + report.substr(start, end - start);
            if (held != nullptr)
                held->push_back(std::move(line));
            else
                send_line(line);
        }
        start = end + 1;
    }
}

void locate_book_file() {
    book_file_name = book_file_option == BOOK_FILE_NAME ? locate_shipped_file(book_file_option)
                                                        : book_file_option;
}
