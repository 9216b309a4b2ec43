// Runs a built program as a child process with pipes on its standard streams, the way a chess
// interface does, for the end-to-end tests.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

// A fresh, empty working directory under the system's temporary directory, removed with the
// object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    void write_file(const std::string& name, const std::string& contents) const;

  private:
    std::string path_;
};

struct RunResult {
    std::string out;
    std::string err;
    int exit_status = -1; // -1 when the program was killed or died by a signal
    bool timed_out = false;
};

// Starts `program` with `arguments` in `directory`, writes all of `input` to its standard
// input and closes it, and collects both output streams until it exits or `timeout` passes.
RunResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input, const std::string& directory,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20));

// A program kept running for a conversation: lines go in one at a time, lines come out as the
// program writes them.
class ChildProcess {
  public:
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& directory);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void send(const std::string& line); // a line feed is appended
    void close_input();
    // The next line of standard output, without its line feed; nothing when `timeout` passes
    // or the output ended first.
    std::optional<std::string> read_line(std::chrono::milliseconds timeout);
    // Reads lines until one satisfies `wanted`; every line read is appended to `seen`.
    std::optional<std::string> read_until(const std::string& prefix,
                                          std::chrono::milliseconds timeout,
                                          std::vector<std::string>* seen = nullptr);
    // Waits for the exit; the status, or -1 for a signal or a timeout (then it is killed).
    int wait_exit(std::chrono::milliseconds timeout);
    bool running();
    std::string take_stderr(); // what standard error has received so far

  private:
    void pump(int timeout_ms);
    int pid_ = -1;
    int in_fd_ = -1, out_fd_ = -1, err_fd_ = -1;
    std::string out_buffer_, err_buffer_;
    bool out_closed_ = false;
    int exit_status_ = -2;
};

std::vector<std::string> split_lines(const std::string& text);

} // namespace test_support
