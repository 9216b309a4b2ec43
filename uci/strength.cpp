#include "uci/strength.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "search/scores.h"

namespace {

struct Anchor {
    int32_t elo;
    StrengthLevel level;
};

// The levels the scale is built from, each with the rating it was measured at (README.md,
// "Strength levels"): the upper four in matches against Fairy-Max (taken as 2000) at 10 s +
// 0.1 s, the lower four from there down a ladder of matches of each level against the next at
// these fixed settings. Nodes and depth set how far a level sees; the lower levels choose
// among four lines, the spread saying how often one a little worse than the best is played.
// Searching four lines costs the best one most of its nodes, so the top levels search one.
// The anchors reach past the range of UCI_Elo at both ends, so every Elo offered lies between
// two measured ones.
constexpr Anchor ANCHORS[] = {
    {735, {60, 1, 4, 250}},    {780, {200, 2, 4, 150}},    {895, {600, 3, 4, 80}},
    {1055, {1500, 5, 4, 35}},  {1490, {4000, 7, 4, 15}},   {1875, {20000, 12, 4, 4}},
    {2240, {40000, 30, 1, 1}}, {2635, {160000, 30, 1, 1}},
};
static_assert(ANCHORS[0].elo <= MIN_ELO && ANCHORS[std::size(ANCHORS) - 1].elo >= MAX_ELO);
static_assert([] {
    for (size_t i = 1; i < std::size(ANCHORS); ++i)
        if (ANCHORS[i].elo <= ANCHORS[i - 1].elo ||
            ANCHORS[i].level.nodes <= ANCHORS[i - 1].level.nodes)
            return false;
    return true;
}());

// How much more a mate is worth than the best ordinary line, when lines are compared.
constexpr int32_t MATE_AS_ADVANTAGE = 2000;
constexpr int32_t SPREADS_CHOSEN = 4;

uint64_t mixed(uint64_t value) {
    // A 64-bit finaliser: every bit of the input moves about half the bits of the output.
    value ^= value >> 30;
    value *= 0xbf58476d1ce4e5b9ULL;
    value ^= value >> 27;
    value *= 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}

uint32_t startup_seed() {
    static const uint32_t seed = std::random_device{}() | 1u;
    return seed;
}

// A score for comparing lines: ordinary scores within +-MATE_AS_ADVANTAGE, mates beyond it, the
// nearer the mate the further.
int32_t comparable(int32_t score) {
    if (score > MATE_THRESHOLD) return MATE_AS_ADVANTAGE + (score - MATE_THRESHOLD);
    if (score < -MATE_THRESHOLD) return -MATE_AS_ADVANTAGE + (score + MATE_THRESHOLD);
    return std::clamp(score, -MATE_AS_ADVANTAGE + 1, MATE_AS_ADVANTAGE - 1);
}

} // namespace

StrengthLevel strength_level(int32_t elo) {
    elo = std::clamp(elo, MIN_ELO, MAX_ELO);
    size_t upper = 1;
    while (ANCHORS[upper].elo < elo)
        ++upper;
    const Anchor& low = ANCHORS[upper - 1];
    const Anchor& high = ANCHORS[upper];
    const double t = static_cast<double>(elo - low.elo) / (high.elo - low.elo);
    StrengthLevel level;
    level.nodes = std::llround(std::exp(std::log(static_cast<double>(low.level.nodes)) * (1 - t) +
                                        std::log(static_cast<double>(high.level.nodes)) * t));
    level.depth =
        static_cast<int32_t>(std::lround(low.level.depth * (1 - t) + high.level.depth * t));
    // The number of lines cannot be split: the nearer anchor's.
    level.lines = t < 0.5 ? low.level.lines : high.level.lines;
    level.spread =
        static_cast<int32_t>(std::lround(low.level.spread * (1 - t) + high.level.spread * t));
    return level;
}

int32_t choose_line(const std::vector<int32_t>& scores, int32_t spread, uint64_t seed) {
    if (scores.size() < 2) return 0;
    int32_t best = comparable(scores[0]);
    for (const int32_t score : scores)
        best = std::max(best, comparable(score));
    // Each line's weight, and a draw over their sum.
    std::vector<double> weights;
    double total = 0;
    const double width = std::max(spread, 1);
    for (const int32_t score : scores) {
        const int32_t below = best - comparable(score);
        const double weight = below > SPREADS_CHOSEN * width ? 0 : std::exp(-below / width);
        weights.push_back(weight);
        total += weight;
    }
    double draw = static_cast<double>(mixed(seed) >> 11) * 0x1.0p-53 * total;
    for (size_t i = 0; i < weights.size(); ++i) {
        if (draw < weights[i]) return static_cast<int32_t>(i);
        draw -= weights[i];
    }
    // Rounding may leave the draw past the last line: the best one then.
    return static_cast<int32_t>(std::max_element(weights.begin(), weights.end()) - weights.begin());
}

uint64_t choice_seed(uint32_t seed_option, uint64_t position_key) {
    const uint32_t seed = seed_option != 0 ? seed_option : startup_seed();
    return mixed(position_key ^ mixed(seed));
}
