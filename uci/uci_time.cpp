#include "uci/uci_time.h"

#include <algorithm>
#include <climits>

#include "search/clock.h"
#include "search/limits.h"
#include "search/strong/time_management.h"

namespace {

int32_t to_centiseconds(int64_t milliseconds) {
    return static_cast<int32_t>(std::clamp<int64_t>(milliseconds / 10, INT32_MIN, INT32_MAX));
}

} // namespace

int32_t uci_time_allotment(const GoCommand& go, int64_t move_overhead) {
    engine_clock = to_centiseconds(go.own_time);
    opponent_clock = go.other_time >= 0 ? to_centiseconds(go.other_time) : engine_clock;
    int64_t allotment = allot_time();
    if (go.moves_to_go > 0)
        allotment = std::max<int64_t>(allotment, engine_clock / (go.moves_to_go + 1));
    // In 64 bits: an increment may be as large as an int32 holds.
    allotment += int64_t{to_centiseconds(go.own_increment)} * 3 / 4;
    // The overhead, the time the interface needs to receive the move, comes off the allotment
    // and off what the clock allows, which also keeps back a twentieth for the moves to come.
    const int64_t overhead = to_centiseconds(std::max<int64_t>(move_overhead, 0));
    allotment -= overhead;
    const int64_t most = engine_clock - overhead - engine_clock / 20;
    return static_cast<int32_t>(std::clamp<int64_t>(allotment, 0, std::max<int64_t>(most, 0)));
}

void set_limits_for(const GoCommand& go, int64_t move_overhead, int32_t multi_pv) {
    SearchLimits limits;
    // The interface adjudicates draws; the engine answers with a move whenever there is one.
    limits.root_draw_ends_search = false;
    limits.max_depth = go.depth > 0 ? std::min(go.depth, MAX_ITERATION_DEPTH) : MAX_ITERATION_DEPTH;
    limits.max_nodes = go.nodes;
    if (go.infinite) {
        limits.use_clock = false;
    } else if (go.move_time >= 0) {
        // Exactly that long, less the overhead: no early stop, no extension.
        limits.fixed_allotment =
            to_centiseconds(std::max<int64_t>(go.move_time - move_overhead, 0));
        limits.stop_early = false;
        limits.may_extend = false;
    } else if (go.own_time >= 0) {
        limits.fixed_allotment = uci_time_allotment(go, move_overhead);
    } else {
        // Only a depth, a node count or a mate to find, or nothing at all: no clock.
        limits.use_clock = false;
    }
    limits.multi_pv = std::max(multi_pv, 1);
    limits.mate_moves = go.mate;
    limits.search_move_count = static_cast<int32_t>(go.search_moves.size());
    std::copy(go.search_moves.begin(), go.search_moves.end(), limits.search_moves);
    search_limits = limits;
    // The strong search plans its time from the clock itself.
    strong_clock =
        ClockReading{go.own_time, go.own_increment, go.moves_to_go, go.move_time, move_overhead};
}
