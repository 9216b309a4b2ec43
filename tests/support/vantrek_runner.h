// Runs the built engine the way an interface does, in a fresh working directory.
#pragma once

#include <string>
#include <vector>

#include "support/engine_process.h"

namespace test_support {

// Runs `vantrek` with `arguments`, feeding it `input`, in an empty temporary directory (plus
// the given files), and returns what it wrote and its exit status.
RunResult run_vantrek(const std::string& input, const std::vector<std::string>& arguments = {},
                      const std::vector<std::pair<std::string, std::string>>& files = {},
                      std::chrono::milliseconds timeout = std::chrono::seconds(60));

// The output every start-up without a weight file begins with.
extern const char* const STARTUP_WITHOUT_FILES;

} // namespace test_support
