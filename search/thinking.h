// What a search says while it thinks. The xboard engine prints its header and thinking lines;
// other front ends and tools install their own output. Either search hands its output the whole
// line it reports, so that an output reads nothing of the search that made it.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "search/scores.h"

// One line a search reports: at a new best root move (with the variation so far), and at the
// end of an iteration (also one cut off after its first move).
struct ThinkingLine {
    int32_t depth = 0;           // the iteration
    int32_t selective_depth = 0; // the deepest ply the iteration reached; 0 when not kept
    int64_t nodes = 0;           // made so far in this search
    int32_t hash_permille = -1;  // how full the table is, in permille; -1 when not known
    int32_t score = 0;
    // BOUND_EXACT, or BOUND_LOWER / BOUND_UPPER for the line of a search cut off before a
    // re-search settled its score.
    uint8_t bound = BOUND_EXACT;
    // Which line: 1 for the best, 2 for the second best, and so on. A search with more lines
    // than one reports each completed depth once per line, best first.
    int32_t line = 1;
    const Move* pv = nullptr; // the principal variation, the root move first
    int32_t pv_length = 0;
};

class ThinkingOutput {
  public:
    virtual ~ThinkingOutput() = default;
    virtual void playing_from_book() = 0; // the move comes from the book, no search
    virtual void search_started() = 0;    // once per search, before the first iteration
    virtual void new_best_move(const ThinkingLine& line) = 0;
    virtual void iteration_finished(const ThinkingLine& line) = 0;
};

// The xboard lines: "0 0 0 0 Playing from book...", the column header, and, in post mode from
// depth 4 on, depth, score, centiseconds, nodes and the principal variation.
class XboardThinking : public ThinkingOutput {
  public:
    void playing_from_book() override;
    void search_started() override;
    void new_best_move(const ThinkingLine& line) override;
    void iteration_finished(const ThinkingLine& line) override;
};

// Says nothing (the bench tool and tests).
class SilentThinking : public ThinkingOutput {
  public:
    void playing_from_book() override {}
    void search_started() override {}
    void new_best_move(const ThinkingLine&) override {}
    void iteration_finished(const ThinkingLine&) override {}
};

extern XboardThinking xboard_thinking;
extern ThinkingOutput* thinking_output; // &xboard_thinking unless replaced

// One xboard thinking line.
void print_thinking_line(const ThinkingLine& line);
