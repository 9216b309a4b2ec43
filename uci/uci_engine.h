// The UCI front end: the same engine as the xboard one (board, search, evaluation, weight file
// and book), spoken to in UCI.
#pragma once

#include <string>

// Start-up: keys, table, the initial position, the book mask and the default weight file.
void start_uci_engine();

// Carries out one command; false after "quit".
bool handle_uci_command(const std::string& line);

// Reads and carries out commands until "quit" or the end of input.
void run_uci_loop();
