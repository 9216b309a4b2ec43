#include "search/clock.h"

#include <chrono>

int64_t search_start_time = 0;
int32_t engine_clock = 0;
int32_t opponent_clock = 0;

int64_t now_centiseconds() {
    const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count() / 10;
}

int32_t elapsed_centiseconds() {
    return static_cast<int32_t>(now_centiseconds() - search_start_time);
}

int32_t allot_time() {
    // In 64 bits: the clocks may hold anything an interface sends, negative times included.
    const int64_t own = engine_clock;
    const int64_t opponent = opponent_clock;
    double divisor = 35.0;
    if (own - opponent > 0) {
        const int64_t lead = own - opponent;
        if (lead > (own >> 2))
            divisor = 17;
        else if (lead > (own >> 3))
            divisor = 23;
        else if (lead > (own >> 4))
            divisor = 27;
    } else if (own < 30001) {
        const int64_t deficit = opponent - own;
        if (deficit > (opponent >> 2))
            divisor = 45;
        else if (deficit > (opponent >> 3))
            divisor = 37;
        else if (deficit > (opponent >> 4))
            divisor = 32;
    }
    if (own < 12001) {
        divisor += 15;
        if (own < 6001) divisor += 15;
    }
    return static_cast<int32_t>(static_cast<double>(own) / divisor);
}
