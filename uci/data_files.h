// Where the UCI engine finds its weight file and its book when the options name the shipped
// files: in the working directory, as the xboard engine does, or else in the data directory of
// the installation the program belongs to, so an installed engine plays with its weights and
// book from wherever an interface starts it.
#pragma once

#include <string>

// The installation's data directory, found from the running program's own path (a relocated
// installation moves both together); empty when that path cannot be read.
std::string installed_data_directory();

// The file to open for the shipped file `name`: `name` itself when the working directory holds
// it, or when there is no installed copy either; otherwise the installed copy's path.
std::string locate_shipped_file(const std::string& name);
