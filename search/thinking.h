// What the search says while it thinks. The xboard engine prints its header and thinking
// lines; other front ends and tools install their own output.
#pragma once

#include <cstdint>

class ThinkingOutput {
  public:
    virtual ~ThinkingOutput() = default;
    virtual void playing_from_book() = 0; // the move comes from the book, no search
    virtual void search_started() = 0;    // once per search, before the first iteration
    // A new best root move (with the variation so far), and the end of an iteration (also one
    // cut off after its first move), at every depth: iteration_depth, node_count, pv_table
    // row 1 and the clock tell the rest.
    virtual void new_best_move(int32_t score) = 0;
    virtual void iteration_finished(int32_t score) = 0;
};

// The xboard lines: "0 0 0 0 Playing from book...", the column header, and, in post mode from
// depth 4 on, depth, score, centiseconds, nodes and the principal variation.
class XboardThinking : public ThinkingOutput {
  public:
    void playing_from_book() override;
    void search_started() override;
    void new_best_move(int32_t score) override;
    void iteration_finished(int32_t score) override;
};

// Says nothing (the bench tool and tests).
class SilentThinking : public ThinkingOutput {
  public:
    void playing_from_book() override {}
    void search_started() override {}
    void new_best_move(int32_t) override {}
    void iteration_finished(int32_t) override {}
};

extern XboardThinking xboard_thinking;
extern ThinkingOutput* thinking_output; // &xboard_thinking unless replaced

// One xboard thinking line for the current iteration.
void print_thinking_line(int32_t score);
