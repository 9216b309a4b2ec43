#include "eval/evaluate.h"

#include "board/position.h"

int32_t root_non_pawn_count = 0;

namespace {
constexpr int32_t MATERIAL[PIECE_CODES] = {0,   110, -110, 420,  -420,  0,   0,
                                           685, -685, 1240, -1240, 435, -435, 0};
}

// Material only, until the evaluation proper lands.
int32_t evaluate() {
    int32_t score = 0;
    for (int slot = 1; slot <= piece_count; ++slot)
        if (piece_list[slot] != 0) score += MATERIAL[board[piece_list[slot]]];
    return side_to_move == 0 ? -score : score;
}
