#include "uci/data_files.h"

#include <filesystem>
#include <system_error>

// The data directory relative to the directory of the installed program, given by the build
// from the installation layout.
#ifndef VANTREK_DATA_FROM_BINARY
#define VANTREK_DATA_FROM_BINARY "../share/games/vantrek"
#endif

namespace fs = std::filesystem;

std::string installed_data_directory() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error || program.empty()) return "";
    return (program.parent_path() / VANTREK_DATA_FROM_BINARY).lexically_normal().string();
}

std::string locate_shipped_file(const std::string& name) {
    // A file of that name in the working directory is the user's own choice and always wins.
    std::error_code error;
    if (fs::exists(name, error)) return name;
    const std::string directory = installed_data_directory();
    if (directory.empty()) return name;
    const fs::path installed = fs::path(directory) / name;
    // Without an installed copy the name stays bare, so the message about the missing file
    // names the file the user knows.
    return fs::is_regular_file(installed, error) ? installed.string() : name;
}
