#include "uci/data_files.h"

#include <filesystem>
#include <system_error>

#include "platform/platform.h"

// The data directory relative to the directory of the installed program, given by the build
// from the installation layout ("." where the data files lie beside the program, as in the
// Windows archive).
#ifndef VANTREK_DATA_FROM_BINARY
#define VANTREK_DATA_FROM_BINARY "../share/games/vantrek"
#endif

namespace fs = std::filesystem;

namespace {

// The data directory as a path: on Windows its narrow form is UTF-8, not what fopen reads, so
// it is turned into a file name only at the end.
fs::path data_directory_path() {
    const fs::path program = running_program_path();
    if (program.empty()) return {};
    return (program.parent_path() / VANTREK_DATA_FROM_BINARY).lexically_normal();
}

} // namespace

std::string installed_data_directory() {
    const fs::path directory = data_directory_path();
    return directory.empty() ? "" : file_name_for_fopen(directory);
}

std::string locate_shipped_file(const std::string& name) {
    // A file of that name in the working directory is the user's own choice and always wins.
    std::error_code error;
    if (fs::exists(name, error)) return name;
    const fs::path directory = data_directory_path();
    if (directory.empty()) return name;
    const fs::path installed = directory / name;
    // Without an installed copy the name stays bare, so the message about the missing file
    // names the file the user knows.
    return fs::is_regular_file(installed, error) ? file_name_for_fopen(installed) : name;
}
