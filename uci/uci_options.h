// The UCI options: Hash, OwnBook, BookFile, ParameterFile and Search.
#pragma once

#include <string>
#include <vector>

// The search a "go" runs: the strong one (the default) or the classic one of the xboard engine.
enum class SearchKind { STRONG, CLASSIC };
SearchKind selected_search();

// The "option name ..." lines of the handshake.
std::vector<std::string> option_declarations();

// Carries out a "setoption name <name> [value <value>]" line; unknown options are reported.
void set_option(const std::string& line);

// Reads the weight file named by ParameterFile, its echo going out as "info string" lines. The
// default name means the working directory's kelmora.ini, or else the installed one.
void load_parameter_file();

// Points the book at the file named by BookFile; the default name means the working
// directory's Vantrek.book, or else the installed one.
void locate_book_file();
