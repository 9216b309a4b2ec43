#include "uci/uci_output.h"

#include <cstdio>
#include <mutex>

namespace {
// Never destroyed: the input thread may answer "isready" while the engine exits.
std::mutex& output_lock = *new std::mutex;
} // namespace

void send_line(const std::string& line) {
    const std::lock_guard<std::mutex> hold(output_lock);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
