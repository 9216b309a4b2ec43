// The UCI options: what the handshake declares, how "setoption" lines are read and checked, and
// the settings they leave for the rest of the front end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "uci/strength.h"

// The search a "go" runs: the strong one (the default) or the classic one of the xboard engine.
enum class SearchKind { STRONG, CLASSIC };
SearchKind selected_search();

// The options that shape a "go" and its answer. Hash, Clear Hash, the files and Search act on
// the engine at once and keep nothing here.
struct UciSettings {
    int32_t multi_pv = 1;
    bool ponder = false;         // answer "bestmove X ponder Y" when the line has a reply
    int64_t move_overhead = 20;  // milliseconds kept back from every allotment
    bool show_wdl = false;       // win/draw/loss permille on every info line with a score
    bool limit_strength = false; // play at UCI_Elo
    int32_t elo = DEFAULT_ELO;
    uint32_t strength_seed = 0; // 0: a seed drawn at start-up
    bool analyse_mode = false;  // an analysis asks the search, never the book
};
extern UciSettings uci_settings;

// The "option name ..." lines of the handshake.
std::vector<std::string> option_declarations();

// Carries out a "setoption name <name> [value <value>]" line. The name is matched whatever its
// case and however its words are spaced; a value that cannot be taken is refused, and one out
// of range is brought into it, each with an "info string" that says so.
void set_option(const std::string& line);

// Reads the weight file named by ParameterFile, its echo going out as "info string" lines (or,
// with `held`, kept there for later). The default name means the working directory's
// kelmora.ini, or else the installed one.
void load_parameter_file(std::vector<std::string>* held = nullptr);

// At start-up: the network built into the program, if it has one, evaluates for the strong
// search.
void start_network();

// Clear Hash, and a new game: the next search is that of a fresh engine, whichever search it
// is (the tables emptied, the strong search's ordering and histories forgotten; the classic
// search forgets its own before every search).
void forget_search_memory();

// At start-up, after the classic table exists: the tables at their sizes for the default
// search and Hash.
void size_tables_at_start();

// Points the book at the file named by BookFile; the default name means the working
// directory's Vantrek.book, or else the installed one.
void locate_book_file();

// True when BookFile names a file of its own, not the shipped book.
bool book_file_named();

// OwnBook as set, for a "go" that puts the book aside for a while.
bool own_book_option();
