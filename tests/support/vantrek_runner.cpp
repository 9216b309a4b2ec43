#include "support/vantrek_runner.h"

namespace test_support {

const char* const STARTUP_WITHOUT_FILES = "Kelmora.ini not found!\n\n";

RunResult run_vantrek(const std::string& input, const std::vector<std::string>& arguments,
                      const std::vector<std::pair<std::string, std::string>>& files,
                      std::chrono::milliseconds timeout) {
    TempDir directory;
    for (const auto& [name, contents] : files)
        directory.write_file(name, contents);
    return run_program(VANTREK_BINARY, arguments, input, directory.path(), timeout);
}

} // namespace test_support
