#include "support/engine_process.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;

int milliseconds_left(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// Forks and execs `program` in `directory` with three fresh pipes; returns the pid.
int spawn(const std::string& program, const std::vector<std::string>& arguments,
          const std::string& directory, int& in_fd, int& out_fd, int& err_fd) {
    int in_pipe[2], out_pipe[2], err_pipe[2];
    if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0 || pipe(err_pipe) != 0)
        throw std::runtime_error("pipe failed");
    const int pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(in_pipe[0], 0);
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
            close(fd);
        if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    in_fd = in_pipe[1];
    out_fd = out_pipe[0];
    err_fd = err_pipe[0];
    // A child that stops reading must not make the test block on a write.
    std::signal(SIGPIPE, SIG_IGN);
    return pid;
}

int decode_status(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrek-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempDir::write_file(const std::string& name, const std::string& contents) const {
    std::ofstream file(path_ + "/" + name, std::ios::binary);
    file << contents;
}

RunResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input, const std::string& directory,
                      std::chrono::milliseconds timeout) {
    int in_fd, out_fd, err_fd;
    const int pid = spawn(program, arguments, directory, in_fd, out_fd, err_fd);
    RunResult result;
    size_t written = 0;
    fcntl(in_fd, F_SETFL, O_NONBLOCK);
    const auto deadline = Clock::now() + timeout;
    bool out_open = true, err_open = true;
    if (input.empty()) {
        close(in_fd);
        in_fd = -1;
    }
    while (out_open || err_open) {
        pollfd fds[3];
        int n = 0;
        if (out_open) fds[n++] = {out_fd, POLLIN, 0};
        if (err_open) fds[n++] = {err_fd, POLLIN, 0};
        if (in_fd >= 0) fds[n++] = {in_fd, POLLOUT, 0};
        const int left = milliseconds_left(deadline);
        if (left == 0 || poll(fds, n, left) <= 0) {
            result.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (fds[i].revents == 0) continue;
            if (fds[i].fd == in_fd) {
                const ssize_t w = write(in_fd, input.data() + written, input.size() - written);
                if (w > 0) written += static_cast<size_t>(w);
                if (w < 0 || written == input.size()) {
                    close(in_fd);
                    in_fd = -1;
                }
                continue;
            }
            char chunk[65536];
            const ssize_t r = read(fds[i].fd, chunk, sizeof chunk);
            if (r <= 0) {
                (fds[i].fd == out_fd ? out_open : err_open) = false;
            } else {
                (fds[i].fd == out_fd ? result.out : result.err)
                    .append(chunk, static_cast<size_t>(r));
            }
        }
    }
    if (in_fd >= 0) close(in_fd);
    close(out_fd);
    close(err_fd);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exit_status = result.timed_out ? -1 : decode_status(status);
    return result;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& directory) {
    pid_ = spawn(program, arguments, directory, in_fd_, out_fd_, err_fd_);
}

ChildProcess::~ChildProcess() {
    if (exit_status_ == -2 && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {in_fd_, out_fd_, err_fd_})
        if (fd >= 0) close(fd);
}

void ChildProcess::send(const std::string& line) {
    if (in_fd_ < 0) return;
    const std::string data = line + "\n";
    size_t written = 0;
    while (written < data.size()) {
        const ssize_t w = write(in_fd_, data.data() + written, data.size() - written);
        if (w <= 0) return;
        written += static_cast<size_t>(w);
    }
}

void ChildProcess::close_input() {
    if (in_fd_ >= 0) close(in_fd_);
    in_fd_ = -1;
}

void ChildProcess::pump(int timeout_ms) {
    pollfd fds[2];
    int n = 0;
    if (!out_closed_) fds[n++] = {out_fd_, POLLIN, 0};
    if (err_fd_ >= 0) fds[n++] = {err_fd_, POLLIN, 0};
    if (n == 0 || poll(fds, n, timeout_ms) <= 0) return;
    for (int i = 0; i < n; ++i) {
        if (fds[i].revents == 0) continue;
        char chunk[65536];
        const ssize_t r = read(fds[i].fd, chunk, sizeof chunk);
        if (fds[i].fd == out_fd_) {
            if (r <= 0)
                out_closed_ = true;
            else
                out_buffer_.append(chunk, static_cast<size_t>(r));
        } else {
            if (r <= 0) {
                close(err_fd_);
                err_fd_ = -1;
            } else {
                err_buffer_.append(chunk, static_cast<size_t>(r));
            }
        }
    }
}

std::optional<std::string> ChildProcess::read_line(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const size_t end = out_buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = out_buffer_.substr(0, end);
            out_buffer_.erase(0, end + 1);
            return line;
        }
        const int left = milliseconds_left(deadline);
        if (out_closed_ || left == 0) return std::nullopt;
        pump(left);
    }
}

namespace {

// Waits stretched by VANTREK_TEST_TIME_SCALE (a whole number, 1 to 20), for builds that run
// many times slower than the optimised one, such as the ThreadSanitizer build.
std::chrono::milliseconds scaled(std::chrono::milliseconds timeout) {
    static const int scale = [] {
        const char* text = std::getenv("VANTREK_TEST_TIME_SCALE");
        const int value = text != nullptr ? std::atoi(text) : 1;
        return std::clamp(value, 1, 20);
    }();
    return timeout * scale;
}

} // namespace

std::optional<std::string> ChildProcess::read_until(const std::string& prefix,
                                                    std::chrono::milliseconds timeout,
                                                    std::vector<std::string>* seen) {
    const auto deadline = Clock::now() + scaled(timeout);
    for (;;) {
        const auto line =
            read_line(std::chrono::milliseconds(std::max(1, milliseconds_left(deadline))));
        if (!line) return std::nullopt;
        if (seen) seen->push_back(*line);
        if (line->rfind(prefix, 0) == 0) return line;
        if (milliseconds_left(deadline) == 0) return std::nullopt;
    }
}

int ChildProcess::wait_exit(std::chrono::milliseconds timeout) {
    if (exit_status_ != -2) return exit_status_;
    const auto deadline = Clock::now() + scaled(timeout);
    for (;;) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            exit_status_ = decode_status(status);
            return exit_status_;
        }
        if (milliseconds_left(deadline) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            exit_status_ = -1;
            return -1;
        }
        pump(10);
    }
}

bool ChildProcess::running() {
    if (exit_status_ != -2) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exit_status_ = decode_status(status);
        return false;
    }
    return true;
}

std::string ChildProcess::take_stderr() {
    pump(0);
    std::string text;
    text.swap(err_buffer_);
    return text;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace test_support
