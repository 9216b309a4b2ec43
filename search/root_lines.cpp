#include "search/root_lines.h"

#include <algorithm>

#include "search/limits.h"
#include "search/scores.h"

std::atomic<bool> pondering{false};

bool root_move_allowed(const Move& move) {
    if (search_limits.search_move_count == 0) return true;
    const Move* first = search_limits.search_moves;
    const Move* last = first + search_limits.search_move_count;
    return std::any_of(first, last, [&](const Move& allowed) { return same_move(allowed, move); });
}

bool mate_limit_reached(int32_t root_score) {
    // The side to move mates in n moves when the side mated is at ply 2n (the root is ply 1).
    return search_limits.mate_moves > 0 && root_score >= MATE_SCORE - 2 * search_limits.mate_moves;
}

void keep_variation(RootMove& root, const Move* pv, int32_t length) {
    root.pv_length = std::min(length, ROOT_PV_SIZE);
    for (int32_t i = 0; i < root.pv_length; ++i)
        root.pv[i] = pv[i];
}

void sort_root_lines(RootMove* lines, int32_t count) {
    std::stable_sort(lines, lines + count,
                     [](const RootMove& a, const RootMove& b) { return a.score > b.score; });
}
