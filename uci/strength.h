// Strength levels (UCI_LimitStrength with UCI_Elo): a weaker engine built from limits the
// search already has, a node budget per move and a shallower deepest iteration, and a choice
// among the best few root lines instead of always the best one. The choice is drawn from a
// seeded generator, so that with the same seed the same position gets the same move.
#pragma once

#include <cstdint>
#include <vector>

// The range of UCI_Elo and the level an engine starts with. The table in strength.cpp maps
// each Elo to its limits; README.md says how the scale was measured.
inline constexpr int32_t MIN_ELO = 800;
inline constexpr int32_t MAX_ELO = 2400;
inline constexpr int32_t DEFAULT_ELO = 1600;

struct StrengthLevel {
    int64_t nodes;  // budget per move
    int32_t depth;  // deepest iteration
    int32_t lines;  // root lines searched to choose among
    int32_t spread; // evaluation units: a line this far below the best is chosen 1/e as often
};

// The limits of the level for `elo` (clamped to the range), between the table's anchors:
// nodes on a geometric scale, depth and spread on a straight one.
StrengthLevel strength_level(int32_t elo);

// The index of the line to play among lines with these scores (the best first or not): each
// line's chance falls off exponentially with its distance below the best, at the level's
// spread; a line more than four spreads below is never chosen. Mate scores count as a large
// but finite advantage, so a weak level still finds most mates in one.
int32_t choose_line(const std::vector<int32_t>& scores, int32_t spread, uint64_t seed);

// The seed for one choice: the Strength Seed option (0: one drawn when the engine started)
// mixed with the position's key, so that each position draws on its own.
uint64_t choice_seed(uint32_t seed_option, uint64_t position_key);
