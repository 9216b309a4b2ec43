// What differs between the operating systems the engine is built for (Linux and Windows), kept
// in one place so that every other file is the same source on both.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// The running program's own file, or an empty path when the system does not tell.
std::filesystem::path running_program_path();

// `path` as the C library's fopen takes a file name. On Linux that is its bytes. On Windows
// fopen reads a name in the system's ANSI code page, while a path's own narrow form is UTF-8:
// a folder named with letters beyond ASCII (a user's name with an umlaut, say) would not open.
// Where the code page cannot spell a name, the file system's short name stands in for it.
std::string file_name_for_fopen(const std::filesystem::path& path);

// Renames the file `from` to `to`, replacing a file `to` that exists: the way a tool writes a
// new file beside the old one and puts it in the old one's place only once it is complete.
// Windows' own rename refuses to replace a file, and both names here are file names as fopen
// takes them. Returns the reason on failure, an empty code on success.
std::error_code replace_file(const std::string& from, const std::string& to);
