#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#ifdef _WIN32

namespace {

// 32767 characters is the longest path Windows has.
constexpr size_t LONGEST_PATH = 32767;

// The wide name in the ANSI code page; false when a character has no spelling there.
bool to_ansi_code_page(const std::wstring& wide, std::string& narrow) {
    if (wide.empty()) {
        narrow.clear();
        return true;
    }
    BOOL used_default = FALSE;
    const int size =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                            static_cast<int>(wide.size()), nullptr, 0, nullptr, &used_default);
    if (size <= 0 || used_default) return false;
    narrow.assign(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        narrow.data(), size, nullptr, &used_default);
    return !used_default;
}

} // namespace

std::filesystem::path running_program_path() {
    // A name longer than the buffer comes back cut to its size, so the buffer grows until the
    // whole name fits.
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return {};
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name);
        }
        if (name.size() > LONGEST_PATH) return {};
        name.resize(std::min(name.size() * 2, LONGEST_PATH + 1));
    }
}

std::string file_name_for_fopen(const std::filesystem::path& path) {
    // A system whose code page is UTF-8 takes the path's own narrow form.
    if (GetACP() == CP_UTF8) return path.string();
    std::string narrow;
    if (to_ansi_code_page(path.native(), narrow)) return narrow;
    // The short name exists only for a file that exists, and only where the volume keeps
    // short names; without one the path stays as it is and fails to open like any missing file.
    std::wstring short_name(LONGEST_PATH + 1, L'\0');
    const DWORD length =
        GetShortPathNameW(path.c_str(), short_name.data(), static_cast<DWORD>(short_name.size()));
    if (length > 0 && length < short_name.size()) {
        short_name.resize(length);
        if (to_ansi_code_page(short_name, narrow)) return narrow;
    }
    return path.string();
}

std::error_code replace_file(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return {static_cast<int>(GetLastError()), std::system_category()};
}

#else

std::filesystem::path running_program_path() {
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return program;
}

std::string file_name_for_fopen(const std::filesystem::path& path) {
    return path.string();
}

std::error_code replace_file(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return {};
    return {errno, std::generic_category()};
}

#endif
