#include "support/uci_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "board/game.h"
#include "board/move_text.h"
#include "support/board_helpers.h"

namespace test_support {

UciSession::UciSession(const std::vector<std::pair<std::string, std::string>>& files) {
    for (const auto& [name, contents] : files)
        directory_.write_file(name, contents);
    process_ =
        std::make_unique<ChildProcess>(VANTREK_UCI, std::vector<std::string>{}, directory_.path());
}

UciSession::~UciSession() {
    process_->send("quit");
    process_->wait_exit(std::chrono::milliseconds(5000));
}

void UciSession::send(const std::string& line) {
    const std::vector<std::string> words = words_of(line);
    const std::string command = words.empty() ? "" : words[0];
    if (command == "setoption" && line.find(" Threads ") != std::string::npos) threads_set_ = true;
    if (command == "go") set_threads_from_environment();
    process_->send(line);
    if (command == "uci") set_threads_from_environment();
}

void UciSession::set_threads_from_environment() {
    if (threads_set_) return;
    threads_set_ = true;
    const char* threads = std::getenv("VANTREK_TEST_THREADS");
    if (threads != nullptr && *threads != '\0')
        process_->send(std::string("setoption name Threads value ") + threads);
}

std::vector<std::string> UciSession::until(const std::string& prefix,
                                           std::chrono::milliseconds timeout) {
    std::vector<std::string> seen;
    const auto line = process_->read_until(prefix, timeout, &seen);
    EXPECT_TRUE(line.has_value()) << "no line starting with '" << prefix << "'";
    return seen;
}

std::vector<std::string> UciSession::ready() {
    send("isready");
    return until("readyok");
}

std::string best_move_of(const std::vector<std::string>& lines) {
    if (lines.empty() || lines.back().rfind("bestmove ", 0) != 0) return "";
    const std::vector<std::string> words = words_of(lines.back());
    return words.size() > 1 ? words[1] : "";
}

std::vector<std::string> words_of(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

void expect_legal_lines(const std::vector<std::string>& lines, const std::string& fen,
                        const std::vector<std::string>& moves) {
    int variations = 0;
    for (const auto& line : lines) {
        const auto words = words_of(line);
        const auto pv = std::find(words.begin(), words.end(), "pv");
        if (words.empty() || words[0] != "info" || pv == words.end()) continue;
        ++variations;
        set_up(fen);
        play_all(moves);
        for (auto move = pv + 1; move != words.end(); ++move) {
            Move parsed;
            ASSERT_TRUE(parse_user_move(move->c_str(), parsed)) << *move << " in: " << line;
            play(*move);
        }
    }
    EXPECT_GT(variations, 0);
    set_up(fen);
    play_all(moves);
    Move parsed;
    EXPECT_TRUE(parse_user_move(best_move_of(lines).c_str(), parsed)) << best_move_of(lines);
}

} // namespace test_support
