#include "uci/uci_options.h"

#include <algorithm>
#include <cctype>

#include "book/book.h"
#include "book/book_file.h"
#include "protocol/parameters.h"
#include "search/transposition.h"
#include "uci/data_files.h"
#include "uci/uci_output.h"

namespace {

// Hash is given in megabytes; the table is sized in units of 512 KiB.
constexpr int32_t UNITS_PER_MEGABYTE = 2;
constexpr int32_t DEFAULT_HASH_MEGABYTES = DEFAULT_HASH_SIZE / UNITS_PER_MEGABYTE;
constexpr int32_t MAX_HASH_MEGABYTES = MAX_HASH_SIZE / UNITS_PER_MEGABYTE;
constexpr const char* DEFAULT_PARAMETER_FILE = "kelmora.ini";

// The files as the options name them. The default names stand for the shipped files, found in
// the working directory or else in the installation (uci/data_files.h); any other name, even a
// path such as ./kelmora.ini, is opened as given.
std::string parameter_file_name = DEFAULT_PARAMETER_FILE;
std::string book_file_option = BOOK_FILE_NAME;
bool own_book = true;
SearchKind search_kind = SearchKind::STRONG;

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

void set_hash(const std::string& value) {
    int64_t megabytes = 0;
    try {
        megabytes = std::stoll(value);
    } catch (...) {
        send_line("info string Hash needs a number of megabytes");
        return;
    }
    megabytes = std::clamp<int64_t>(megabytes, 1, MAX_HASH_MEGABYTES);
    if (!tt_resize(static_cast<int32_t>(megabytes) * UNITS_PER_MEGABYTE))
        send_line("info string not enough memory for " + std::to_string(megabytes) +
                  " MB of hash; the table keeps its size");
}

void set_search(const std::string& value) {
    const std::string kind = lower_case(value);
    if (kind == "strong")
        search_kind = SearchKind::STRONG;
    else if (kind == "classic")
        search_kind = SearchKind::CLASSIC;
    else
        send_line("info string Search is strong or classic; it stays " +
                  std::string(search_kind == SearchKind::STRONG ? "strong" : "classic"));
}

} // namespace

SearchKind selected_search() {
    return search_kind;
}

std::vector<std::string> option_declarations() {
    return {
        "option name Hash type spin default " + std::to_string(DEFAULT_HASH_MEGABYTES) +
            " min 1 max " + std::to_string(MAX_HASH_MEGABYTES),
        "option name OwnBook type check default true",
        std::string("option name BookFile type string default ") + BOOK_FILE_NAME,
        std::string("option name ParameterFile type string default ") + DEFAULT_PARAMETER_FILE,
        "option name Search type combo default strong var strong var classic",
    };
}

void set_option(const std::string& line) {
    // setoption name <name> [value <value>]; the name may hold blanks.
    const std::string lowered = lower_case(line);
    const size_t name_at = lowered.find(" name ");
    if (name_at == std::string::npos) return;
    const size_t value_at = lowered.find(" value ", name_at);
    const std::string name = lower_case(trimmed(line.substr(
        name_at + 6, value_at == std::string::npos ? std::string::npos : value_at - name_at - 6)));
    const std::string value =
        value_at == std::string::npos ? "" : trimmed(line.substr(value_at + 7));
    if (name == "hash") {
        set_hash(value);
    } else if (name == "ownbook") {
        own_book = lower_case(value) == "true";
        book_enabled = own_book ? 1 : 0;
    } else if (name == "bookfile") {
        book_file_option = value;
        locate_book_file();
        // A book that could not be opened before may be there now.
        book_enabled = own_book ? 1 : 0;
    } else if (name == "parameterfile") {
        parameter_file_name = value;
        load_parameter_file();
    } else if (name == "search") {
        set_search(value);
    } else {
        send_line("info string unknown option " + name);
    }
}

void load_parameter_file() {
    // The echo goes out as "info string" lines: bare text could be taken for a command reply.
    const std::string file = parameter_file_name == DEFAULT_PARAMETER_FILE
                                 ? locate_shipped_file(parameter_file_name)
                                 : parameter_file_name;
    const std::string report = load_parameters_from(file.c_str());
    size_t start = 0;
    while (start < report.size()) {
        size_t end = report.find('\n', start);
        if (end == std::string::npos) end = report.size();
        if (end > start) send_line("info string " + report.substr(start, end - start));
        start = end + 1;
    }
}

void locate_book_file() {
    book_file_name = book_file_option == BOOK_FILE_NAME ? locate_shipped_file(book_file_option)
                                                        : book_file_option;
}
