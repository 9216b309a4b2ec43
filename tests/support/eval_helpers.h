// Helpers for tests of the evaluation: weights and the score from white's point of view.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "board/game.h"
#include "eval/evaluate.h"
#include "eval/parameter_file.h"
#include "eval/parameters.h"
#include "eval/terms.h"

namespace test_support {

// Every evaluation weight back to 0, as at start-up without a weight file.
inline void clear_weights() {
    for (const ParameterItem& item : PARAMETER_ITEMS) {
        if (item.integer != nullptr) *item.integer = 0;
        if (item.real != nullptr) *item.real = 0.0f;
    }
}

// An evaluation of the game position whose working state (the running score, the attack
// distances, the walk counters) a test reads or sets.
inline Evaluation game_evaluation() {
    return Evaluation(game_position, game_pawn_cache);
}

// The attack distances (white's, black's) the evaluation of the current position sums up.
inline std::pair<int32_t, int32_t> attack_distances() {
    Evaluation evaluation = game_evaluation();
    evaluation.evaluate();
    return {evaluation.white_attack_distance, evaluation.black_attack_distance};
}

// The evaluation of the current position from white's point of view.
inline int32_t white_score() {
    const int32_t score = evaluate();
    return side_to_move == 1 ? score : -score;
}

// How much setting `weight` to `value` (instead of 0) changes white's score in the current
// position; the weight is 0 again afterwards.
inline int32_t weight_effect(int32_t& weight, int32_t value = 1) {
    weight = 0;
    const int32_t without = white_score();
    weight = value;
    const int32_t with = white_score();
    weight = 0;
    return with - without;
}

// The same position seen from the other side: ranks reversed, colours swapped, the other side
// to move, castling rights and the en-passant square mirrored.
std::string mirrored_fen(const std::string& fen);

} // namespace test_support
