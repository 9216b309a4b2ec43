#include "uci/uci_input.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "search/limits.h"
#include "search/root_lines.h"
#include "uci/uci_output.h"

namespace {

// What the reader thread shares with the command loop. The reader is detached and may still be
// reading (the end of input, a line after "quit") while the engine exits, so these are never
// destroyed: exit's destructors would pull them from under it.
std::mutex& queue_lock = *new std::mutex;
std::condition_variable& queue_changed = *new std::condition_variable;
std::deque<std::string>& pending_lines = *new std::deque<std::string>;
bool searching = false;
bool stop_heard = false;
bool reader_started = false;

// A "position" line of a long game is long; a line beyond a megabyte is cut there.
constexpr size_t MAX_LINE_LENGTH = 1 << 20;

// One line without its line feed (and a carriage return before it); false at the end of
// input with nothing read.
bool read_input_line(std::string& line) {
    line.clear();
    int c;
    bool read_anything = false;
    while ((c = std::getc(stdin)) != EOF) {
        read_anything = true;
        if (c == '\n') break;
        if (line.size() < MAX_LINE_LENGTH) line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return read_anything;
}

std::string first_word(const std::string& line) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return "";
    const size_t end = line.find_first_of(" \t", start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// A line heard during a search: answered, turned into the stop flag, ending the pondering, or
// kept (in `keep`).
void handle_while_searching(const std::string& line, const std::string& command,
                            std::deque<std::string>& keep = pending_lines) {
    if (command == "isready") {
        send_line("readyok");
        return;
    }
    if (command == "ponderhit") {
        pondering.store(false, std::memory_order_relaxed);
        return;
    }
    if (command == "stop" || command == "quit") {
        stop_requested.store(true, std::memory_order_relaxed);
        stop_heard = true;
        if (command == "stop") return;
    }
    keep.push_back(line);
}

void read_forever() {
    std::string line;
    while (read_input_line(line)) {
        const std::string command = first_word(line);
        const std::lock_guard<std::mutex> hold(queue_lock);
        if (searching)
            handle_while_searching(line, command);
        else
            pending_lines.push_back(line);
        queue_changed.notify_all();
    }
    // The end of input ends the engine like "quit", and a search in progress with it.
    const std::lock_guard<std::mutex> hold(queue_lock);
    stop_requested.store(true, std::memory_order_relaxed);
    stop_heard = true;
    pending_lines.push_back("quit");
    queue_changed.notify_all();
}

} // namespace

void start_input_reader() {
    {
        const std::lock_guard<std::mutex> hold(queue_lock);
        reader_started = true;
    }
    std::thread(read_forever).detach();
}

std::string next_input_line() {
    std::unique_lock<std::mutex> hold(queue_lock);
    queue_changed.wait(hold, [] { return !pending_lines.empty(); });
    std::string line = std::move(pending_lines.front());
    pending_lines.pop_front();
    return line;
}

void search_running(bool running, bool ponder) {
    const std::lock_guard<std::mutex> hold(queue_lock);
    searching = running;
    pondering.store(running && ponder, std::memory_order_relaxed);
    if (!running) return;
    stop_heard = false;
    stop_requested.store(false, std::memory_order_relaxed);
    // Lines that came in after "go" but before the search started belong to this search, up
    // to the next "go".
    std::deque<std::string> later;
    bool before_next_go = true;
    for (auto& line : pending_lines) {
        const std::string command = first_word(line);
        if (command == "go") before_next_go = false;
        if (before_next_go)
            handle_while_searching(line, command, later);
        else
            later.push_back(std::move(line));
    }
    pending_lines.swap(later);
}

void wait_before_answering(bool infinite) {
    std::unique_lock<std::mutex> hold(queue_lock);
    queue_changed.wait(hold, [infinite] {
        return stop_heard || !reader_started ||
               (!infinite && !pondering.load(std::memory_order_relaxed));
    });
}
