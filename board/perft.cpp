#include "board/perft.h"

#include "board/attack.h"
#include "board/game.h"

#include "board/make_move.h"
#include "board/movegen.h"

uint64_t perft(int depth) {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    const bool in_check = side_to_move_in_check();
    const uint64_t squares_to_test = squares_needing_legality_test(in_check);
    uint64_t leaves = 0;
    for (int i = 0; i < count; ++i) {
        MoveUndo undo;
        if (play_move(list, i, undo, in_check, squares_to_test))
            leaves += depth == 1 ? 1 : perft(depth - 1);
        take_back_move(list, i, undo);
    }
    return leaves;
}

uint64_t perft_divide(int depth, const std::function<void(const Move&, uint64_t)>& report) {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    const bool in_check = side_to_move_in_check();
    uint64_t leaves = 0;
    for (int i = 0; i < count; ++i) {
        MoveUndo undo;
        if (play_move(list, i, undo, in_check)) {
            const uint64_t below = depth == 1 ? 1 : perft(depth - 1);
            report(list[i], below);
            leaves += below;
        }
        take_back_move(list, i, undo);
    }
    return leaves;
}
