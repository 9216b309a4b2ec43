// What the search says while it thinks. The xboard engine prints its header and thinking
// lines; other front ends and tools install their own output.
#pragma once

#include <cstdint>

class ThinkingOutput {
  public:
    virtual ~ThinkingOutput() = default;
    virtual void playing_from_book() = 0; // the move comes from the book, no search
    virtual void search_started() = 0;    // once per search, before the first iteration
    // A new best root move, or a completed iteration, from iteration 4 on (only while the
    // post flag is set).
    virtual void thinking_line(int32_t score) = 0;
};

// The xboard lines: "0 0 0 0 Playing from book...", the column header, and depth, score,
// centiseconds, nodes and the principal variation.
class XboardThinking : public ThinkingOutput {
  public:
    void playing_from_book() override;
    void search_started() override;
    void thinking_line(int32_t score) override;
};

// Says nothing (the bench tool and tests).
class SilentThinking : public ThinkingOutput {
  public:
    void playing_from_book() override {}
    void search_started() override {}
    void thinking_line(int32_t) override {}
};

extern XboardThinking xboard_thinking;
extern ThinkingOutput* thinking_output; // &xboard_thinking unless replaced

// One xboard thinking line for the current iteration.
void print_thinking_line(int32_t score);
