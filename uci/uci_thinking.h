// The search's thinking as UCI "info" lines.
#pragma once

#include <cstdint>
#include <string>

#include "search/thinking.h"

class UciThinking : public ThinkingOutput {
  public:
    void playing_from_book() override;
    void search_started() override {}
    void new_best_move(int32_t score) override;
    void iteration_finished(int32_t score) override;
};

// "cp <centipawns>" for an ordinary score (the evaluation counts 110 to the pawn), or
// "mate <moves>", negative when the side to move is the one mated.
std::string uci_score(int32_t score);
