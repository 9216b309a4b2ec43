#include "search/strong/correction.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "board/position.h"
#include "search/strong/thread.h"

namespace {

// Entries count eighths of an evaluation unit; a correction is at most MAX_CORRECTION units.
constexpr int32_t GRAIN = 8;
constexpr int32_t MAX_CORRECTION = 256;
// A search's weight in the running average, out of 256: its depth plus one, at most 16.
constexpr int32_t MAX_WEIGHT = 16;
constexpr int32_t TOTAL_WEIGHT = 256;

void move_towards(int16_t& entry, int32_t target, int32_t weight) {
    const int32_t value = (entry * (TOTAL_WEIGHT - weight) + target * weight) / TOTAL_WEIGHT;
    entry =
        static_cast<int16_t>(std::clamp(value, -MAX_CORRECTION * GRAIN, MAX_CORRECTION * GRAIN));
}

} // namespace

// The material on the board as one number: four bits for each kind of piece of each colour.
uint32_t SearchThread::material_slot() const {
    uint64_t signature = 0;
    for (int32_t code = WHITE_PAWN; code <= BLACK_BISHOP; ++code)
        signature = signature << 4 | static_cast<uint64_t>(std::popcount(squares_of[code]) & 15);
    signature *= 0x9E3779B97F4A7C15ull;
    return static_cast<uint32_t>(signature >> 40) & (CORRECTION_SLOTS - 1);
}

uint32_t SearchThread::pawn_slot() const {
    return static_cast<uint32_t>(pawn_key) & (CORRECTION_SLOTS - 1);
}

int32_t SearchThread::corrected_evaluation(int32_t raw_evaluation) const {
    const int32_t sum = pawn_correction[side_to_move][pawn_slot()] +
                        material_correction[side_to_move][material_slot()];
    return raw_evaluation + sum / (2 * GRAIN);
}

void SearchThread::learn_evaluation_error(int32_t raw_evaluation, int32_t score, int32_t depth) {
    const int32_t error =
        std::clamp(score - raw_evaluation, -MAX_CORRECTION, MAX_CORRECTION) * GRAIN;
    const int32_t weight = std::min(depth + 1, MAX_WEIGHT);
    move_towards(pawn_correction[side_to_move][pawn_slot()], error, weight);
    move_towards(material_correction[side_to_move][material_slot()], error, weight);
}

void SearchThread::clear_correction_history() {
    std::memset(pawn_correction, 0, sizeof pawn_correction);
    std::memset(material_correction, 0, sizeof material_correction);
}
