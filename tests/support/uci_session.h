// A vantrek-uci driven through its standard streams, as a UCI interface drives it, and what
// the end-to-end tests read from its answers.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/engine_process.h"

namespace test_support {

// A vantrek-uci in its own empty working directory (plus the given files).
class UciSession {
  public:
    explicit UciSession(const std::vector<std::pair<std::string, std::string>>& files = {});
    ~UciSession();
    // Sends a line. When the environment variable VANTREK_TEST_THREADS names a number, the
    // session's strong search runs on that many threads: the option follows the session's "uci",
    // or goes before its first "go" when none came, unless the test set Threads itself.
    void send(const std::string& line);
    // Lines up to and including the first that starts with `prefix`; fails the test if none
    // comes within `timeout`.
    std::vector<std::string>
    until(const std::string& prefix,
          std::chrono::milliseconds timeout = std::chrono::milliseconds(20000));
    // Everything the engine said up to its "readyok" (the weight file's echo at start-up, say),
    // so that the next lines read are answers to what follows.
    std::vector<std::string> ready();
    ChildProcess& process() { return *process_; }
    const std::string& directory() const { return directory_.path(); }

  private:
    void set_threads_from_environment();
    bool threads_set_ = false;
    TempDir directory_;
    std::unique_ptr<ChildProcess> process_;
};

inline const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The move of the last line when it is a "bestmove" line, else empty.
std::string best_move_of(const std::vector<std::string>& lines);

std::vector<std::string> words_of(const std::string& line);

// Every info line's principal variation, and the best move, are legal in sequence from the
// position given as a FEN and moves.
void expect_legal_lines(const std::vector<std::string>& lines, const std::string& fen,
                        const std::vector<std::string>& moves);

} // namespace test_support
