#include "uci/win_draw_loss.h"

#include <algorithm>
#include <cmath>

#include "search/scores.h"

namespace {

// The model: a win is expected with probability 1 / (1 + exp((CENTRE - s) / SCALE)) at a score
// of s centipawns, a loss as a win of the other side at -s, a draw with what is left. Fitted by
// maximum likelihood to 200 games of the engine against itself, with the built-in network and
// the shipped weights, at 20000 nodes a move (25082 scored positions; tools/uci/wdl-games.sh
// and fit-wdl.py, README.md "UCI_ShowWDL"). A new network or weight file needs a new fit: the
// scores mean other chances.
constexpr double CENTRE = 182.0;
constexpr double SCALE = 178.0;
constexpr int32_t EVALUATION_UNITS_PER_PAWN = 110;

int32_t permille(double chance) {
    return static_cast<int32_t>(std::lround(1000.0 * chance));
}

} // namespace

WinDrawLoss win_draw_loss(int32_t score) {
    if (score > MATE_THRESHOLD) return {1000, 0, 0};
    if (score < -MATE_THRESHOLD) return {0, 0, 1000};
    const double centipawns = score * 100.0 / EVALUATION_UNITS_PER_PAWN;
    const int32_t win = permille(1.0 / (1.0 + std::exp((CENTRE - centipawns) / SCALE)));
    const int32_t loss = permille(1.0 / (1.0 + std::exp((CENTRE + centipawns) / SCALE)));
    return {win, std::max(1000 - win - loss, 0), loss};
}

std::string wdl_text(int32_t score) {
    const WinDrawLoss chances = win_draw_loss(score);
    return "wdl " + std::to_string(chances.win) + " " + std::to_string(chances.draw) + " " +
           std::to_string(chances.loss);
}
