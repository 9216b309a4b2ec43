#include "board/repetition.h"

#include <algorithm>

bool Position::is_repetition() const {
    const int32_t n = key_history_count;
    const int32_t f = fifty_counter;
    const int32_t p = ply;

    // Entry i is the position after i moves; those with the current side to move are n - 2,
    // n - 4, ... The root of the search is entry n - p + 1.
    if (f >= 4) {
        const int32_t low = std::max(n - p + 1, n - f);
        for (int32_t i = n - 2; i >= 0 && i >= low; i -= 2)
            if (key_history[i] == hash_key) return true;
    }

    if (f >= 6) {
        const int32_t low = n - f;
        int32_t matches = 0;
        int32_t i = std::min(n - p - (p % 2), n - 2); // newest pre-root entry, same side to move
        for (; i >= 0 && i >= low; i -= 2) {
            if (key_history[i] == hash_key && ++matches == 2) return true;
        }
    }
    return false;
}
