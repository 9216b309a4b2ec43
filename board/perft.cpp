#include "board/perft.h"

#include "board/attack.h"
#include "board/make_move.h"
#include "board/movegen.h"

uint64_t perft(int depth) {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    const uint64_t saved_key = hash_key;
    const int32_t saved_ep_square = ep_square;
    uint64_t leaves = 0;
    for (int i = 0; i < count; ++i) {
        make_move(list, i);
        ++ply;
        if (move_was_legal(list, i)) leaves += depth == 1 ? 1 : perft(depth - 1);
        --ply;
        unmake_move(list, i);
        hash_key = saved_key;
        ep_square = saved_ep_square;
    }
    return leaves;
}

uint64_t perft_divide(int depth, const std::function<void(const Move&, uint64_t)>& report) {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    const uint64_t saved_key = hash_key;
    const int32_t saved_ep_square = ep_square;
    uint64_t leaves = 0;
    for (int i = 0; i < count; ++i) {
        make_move(list, i);
        ++ply;
        if (move_was_legal(list, i)) {
            const uint64_t below = depth == 1 ? 1 : perft(depth - 1);
            report(list[i], below);
            leaves += below;
        }
        --ply;
        unmake_move(list, i);
        hash_key = saved_key;
        ep_square = saved_ep_square;
    }
    return leaves;
}
