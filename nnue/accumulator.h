// The network's accumulators along a search path. Each ply's entry holds both sides' first
// layer sums for the position at that ply. Making a move only notes what it changed on the
// board; the sums are brought up to date when a position is evaluated, from the nearest ply
// above whose sums are known (taking a move back costs nothing: the entry is simply left).
#pragma once

#include <cstdint>

#include "board/position.h"
#include "nnue/network.h"

// Whether the strong search evaluates with the network (set by the front end; only when a
// network is loaded).
extern bool nnue_enabled;

// Plies an accumulator stack holds: the strong search's deepest ply and one more
// (search/strong/search.h checks that it fits).
inline constexpr int32_t ACCUMULATOR_PLIES = 130;

// One search path's sums: each search thread keeps its own (about 270 KB).
class Accumulators {
  public:
    // The position at its current ply is a new starting point: its sums are computed afresh.
    void refresh(const Position& pos);

    // After a move has been made (ply already counted): what it changed, for the entry at ply.
    void note_move(const Position& pos, const Move& move);
    // After a null move: the entry at ply is its parent's position with the other side to move.
    void note_null_move(const Position& pos);

    // The network's evaluation of the position, in evaluation units from the side to move's
    // view.
    int32_t evaluate(const Position& pos);

    // True when the sums brought up to date for the current ply equal sums computed afresh from
    // the board (the debug build checks this at every evaluation).
    bool is_current(const Position& pos) const;

    // One input that a move switched on or off, seen from white and from black.
    struct FeatureChange {
        int16_t white_view;
        int16_t black_view;
    };

  private:
    // A ply's position: both views' sums when current, and what the move that led here changed.
    struct Entry {
        alignas(64) int16_t sums[2][NNUE_MAX_HIDDEN]; // [0] white's view, [1] black's
        bool current = false;
        uint8_t removed_count;
        uint8_t added_count;
        FeatureChange removed[2];
        FeatureChange added[2];
    };
    Entry entries[ACCUMULATOR_PLIES];

    void bring_up_to_date(const Position& pos);
};

// The network's evaluation of the position computed from the board alone, without any
// accumulator (for tests and checks).
int32_t nnue_evaluate_from_scratch(const Position& pos);

// Which arithmetic the evaluation uses: AVX2 where the processor has it (chosen when the
// program starts), else the portable one; both give the same numbers. Tests switch it.
bool nnue_avx2_available();
void nnue_use_avx2(bool use);
// Whether the evaluation uses AVX2 now.
bool nnue_uses_avx2();
