// UCI_ShowWDL: the chances of a win, a draw and a loss, in permille, that a score stands for,
// from a logistic model fitted to the engine's own games (README.md says how).
#pragma once

#include <cstdint>
#include <string>

struct WinDrawLoss {
    int32_t win;
    int32_t draw;
    int32_t loss; // the three add up to 1000
};

// For a score in evaluation units from the side to move's view (mate scores included).
WinDrawLoss win_draw_loss(int32_t score);

// "wdl <win> <draw> <loss>", as an info line carries it.
std::string wdl_text(int32_t score);
