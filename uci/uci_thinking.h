// The search's thinking as UCI "info" lines, and the lines it reported, which the answer to a
// "go" reads: the move to play at a strength level, and the expected reply to ponder on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/position.h"
#include "search/thinking.h"

class UciThinking : public ThinkingOutput {
  public:
    void playing_from_book() override;
    void search_started() override {}
    void new_best_move(const ThinkingLine& line) override;
    void iteration_finished(const ThinkingLine& line) override;
};

// "cp <centipawns>" for an ordinary score (the evaluation counts 110 to the pawn), or
// "mate <moves>", negative when the side to move is the one mated.
std::string uci_score(int32_t score);

// A root line as the search last reported it: its move, the reply its variation expects
// (NULL_MOVE when it has none) and its score.
struct ReportedLine {
    Move move;
    Move reply;
    int32_t score;
};

// The lines of the deepest depth the search completed, the best first. A new best move found
// later (in a depth cut off, or with one line, during a depth) takes the first place, and the
// line it had before goes.
const std::vector<ReportedLine>& reported_lines();

// Called when the front end takes a "go": the thinking lines count their time from then.
void start_thinking_clock();

// Before a search: nothing reported yet.
void forget_reported_lines();
