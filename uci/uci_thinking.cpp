#include "uci/uci_thinking.h"

#include <algorithm>
#include <chrono>

#include "board/game.h"
#include "board/move_text.h"
#include "search/limits.h"
#include "search/root_lines.h"
#include "search/scores.h"
#include "uci/uci_options.h"
#include "uci/uci_output.h"
#include "uci/win_draw_loss.h"

namespace {

constexpr int32_t EVALUATION_UNITS_PER_PAWN = 110;

// Kept outside the output object: a harness may put an output of its own in front of it.
std::vector<ReportedLine> lines;
int32_t lines_depth = 0;

// When the front end took the "go": the thinking lines count their time from there.
std::chrono::steady_clock::time_point thinking_start = std::chrono::steady_clock::now();

ReportedLine reported_line_of(const ThinkingLine& thinking) {
    ReportedLine line{thinking.pv[0], NULL_MOVE, thinking.score};
    if (thinking.pv_length > 1) line.reply = thinking.pv[1];
    return line;
}

// The best line found after the lines of its depth were reported: it goes first, without the
// line of the same move.
void put_first(const ReportedLine& line) {
    lines.erase(
        std::remove_if(lines.begin(), lines.end(),
                       [&](const ReportedLine& old) { return same_move(old.move, line.move); }),
        lines.end());
    lines.insert(lines.begin(), line);
}

void record(const ThinkingLine& thinking) {
    if (thinking.pv_length < 1) return;
    const ReportedLine line = reported_line_of(thinking);
    if (thinking.line > 1) {
        lines.push_back(line);
    } else if (thinking.depth != lines_depth) {
        lines.assign(1, line);
        lines_depth = thinking.depth;
    } else {
        put_first(line);
    }
}

void send_info(const ThinkingLine& thinking) {
    // The time in milliseconds, the speed from microseconds, so that a search of a few
    // milliseconds already shows it.
    const auto elapsed = std::chrono::steady_clock::now() - thinking_start;
    const int64_t microseconds =
        std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
    const int64_t milliseconds = microseconds / 1000;
    const int64_t nodes_per_second =
        microseconds > 0 ? static_cast<int64_t>(static_cast<double>(thinking.nodes) * 1e6 /
                                                static_cast<double>(microseconds))
                         : 0;
    std::string line = "info depth " + std::to_string(thinking.depth);
    if (thinking.selective_depth > 0)
        line += " seldepth " + std::to_string(thinking.selective_depth);
    if (uci_settings.multi_pv > 1) line += " multipv " + std::to_string(thinking.line);
    line += " score " + uci_score(thinking.score);
    if (thinking.bound == BOUND_LOWER) line += " lowerbound";
    if (thinking.bound == BOUND_UPPER) line += " upperbound";
    if (uci_settings.show_wdl) line += " " + wdl_text(thinking.score);
    line += " time " + std::to_string(milliseconds) + " nodes " + std::to_string(thinking.nodes) +
            " nps " + std::to_string(nodes_per_second);
    if (thinking.hash_permille >= 0) line += " hashfull " + std::to_string(thinking.hash_permille);
    if (thinking.pv_length > 0) {
        line += " pv";
        char text[MOVE_TEXT_SIZE];
        for (int i = 0; i < thinking.pv_length; ++i) {
            format_move(text, thinking.pv[i]);
            line += ' ';
            line += text;
        }
    }
    send_line(line);
}

} // namespace

std::string uci_score(int32_t score) {
    if (score > MATE_THRESHOLD) {
        // The root is ply 1, so MATE_SCORE - score - 1 plies lead to the mate.
        const int32_t plies = MATE_SCORE - score - 1;
        return "mate " + std::to_string((plies + 1) / 2);
    }
    if (score < -MATE_THRESHOLD) {
        const int32_t plies = MATE_SCORE + score - 1;
        return "mate -" + std::to_string((plies + 1) / 2);
    }
    return "cp " + std::to_string(score * 100 / EVALUATION_UNITS_PER_PAWN);
}

const std::vector<ReportedLine>& reported_lines() {
    return lines;
}

void start_thinking_clock() {
    thinking_start = std::chrono::steady_clock::now();
}

void forget_reported_lines() {
    lines.clear();
    lines_depth = 0;
}

void UciThinking::playing_from_book() {
    send_line("info string book move");
}

void UciThinking::new_best_move(const ThinkingLine& line) {
    // With several lines a new best move of one pass says nothing about the order of the
    // lines: only whole depths are reported.
    if (search_limits.multi_pv > 1) return;
    if (line.pv_length >= 1) put_first(reported_line_of(line));
    send_info(line);
}

void UciThinking::iteration_finished(const ThinkingLine& line) {
    record(line);
    // Lines searched only for a strength level's choice are not shown.
    if (line.line <= uci_settings.multi_pv) send_info(line);
}
