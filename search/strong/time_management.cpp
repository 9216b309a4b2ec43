#include "search/strong/time_management.h"

#include <algorithm>
#include <chrono>

#include "search/root_lines.h"
#include "search/strong/thread.h"
#include "search/strong/threads.h"

ClockReading strong_clock;
int64_t command_received_at = 0;

namespace {

// The moves the remaining time is spread over when the interface does not say.
constexpr int32_t MOVES_HORIZON = 40;
// The hard limit: at most this many times the soft one, and at most this share of the time
// left (a larger one when the time control ends with this move).
constexpr int64_t HARD_OVER_SOFT = 5;
constexpr double HARD_SHARE = 0.4;
constexpr double HARD_SHARE_LAST_MOVE = 0.8;
// How strongly the best move's share of the nodes stretches or shrinks the soft limit.
constexpr double NODE_SHARE_WEIGHT = 1.35;

TimePlan current_plan;
int64_t search_start = 0;

} // namespace

int64_t now_milliseconds() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
}

namespace {

int64_t held_to_clock_range(int64_t milliseconds) {
    return std::clamp<int64_t>(milliseconds, 0, MAX_CLOCK_MILLISECONDS);
}

} // namespace

TimePlan plan_time(const ClockReading& clock) {
    TimePlan plan;
    const int64_t overhead = held_to_clock_range(clock.overhead);
    // 1. A fixed time per move is used whole, less the overhead.
    if (clock.move_time >= 0) {
        plan.use_clock = true;
        plan.fixed_time = true;
        plan.hard = std::max<int64_t>(held_to_clock_range(clock.move_time) - overhead, 1);
        plan.soft = plan.hard;
        return plan;
    }
    if (clock.time_left < 0) return plan; // no clock: depth, nodes or infinite

    // 2. What may be spent at all.
    plan.use_clock = true;
    const int64_t available = std::max<int64_t>(held_to_clock_range(clock.time_left), 1);
    const int64_t increment = held_to_clock_range(clock.increment);

    // 3. The soft limit: an even share of the time over the moves still to play, plus most of
    // the increment, which comes back after the move.
    const int32_t moves =
        clock.moves_to_go > 0 ? std::min(clock.moves_to_go, MOVES_HORIZON) : MOVES_HORIZON;
    const int64_t soft = available / moves + increment * 3 / 4;

    // 4. The hard limit: a few soft limits, but never a large share of the clock, so that
    // one long think cannot lose the game on time.
    const double share = moves == 1 ? HARD_SHARE_LAST_MOVE : HARD_SHARE;
    const int64_t hard = std::min<int64_t>(
        soft * HARD_OVER_SOFT, static_cast<int64_t>(static_cast<double>(available) * share));

    // 5. Every move costs the overhead on top of the thinking: each limit is that much shorter
    // (which over the moves to go keeps back the overhead of every one of them).
    plan.hard = std::max<int64_t>(hard - overhead, 1);
    plan.soft = std::clamp<int64_t>(soft - overhead, 1, plan.hard);
    return plan;
}

double soft_limit_scale(const IterationReport& report) {
    // 1. A best move that has held for several iterations will most likely stand.
    double scale = 1.0;
    if (report.stable_iterations == 0)
        scale = 1.4;
    else if (report.stable_iterations == 2)
        scale = 0.85;
    else if (report.stable_iterations >= 3)
        scale = 0.65;
    // 2. A falling score means trouble found late: look further, up to twice as long.
    if (report.score_drop > 20) scale *= 1.0 + std::min(report.score_drop, 200) / 200.0;
    // 3. A best move that took nearly all of the nodes had no rival worth a look; one that
    // took few was hard to tell from the others: from 0.68 (all) to about 2 (none).
    if (report.best_move_share >= 0.0)
        scale *= (1.5 - std::min(report.best_move_share, 1.0)) * NODE_SHARE_WEIGHT;
    return scale;
}

void start_strong_clock(const TimePlan& plan) {
    current_plan = plan;
    const int64_t now = now_milliseconds();
    search_start = command_received_at > 0 ? std::min(now, command_received_at) : now;
    command_received_at = 0;
}

int64_t strong_elapsed() {
    return now_milliseconds() - search_start;
}

bool strong_soft_limit_reached(const IterationReport& report) {
    if (!current_plan.use_clock || current_plan.fixed_time ||
        pondering.load(std::memory_order_relaxed))
        return false;
    const double limit = static_cast<double>(current_plan.soft) * soft_limit_scale(report);
    return static_cast<double>(strong_elapsed()) >=
           std::min(limit, static_cast<double>(current_plan.hard));
}

bool strong_limits_reached(int64_t nodes) {
    return stop_requested.load(std::memory_order_relaxed) ||
           (search_limits.max_nodes > 0 && nodes >= search_limits.max_nodes) ||
           (current_plan.use_clock && strong_elapsed() >= current_plan.hard &&
            !pondering.load(std::memory_order_relaxed));
}

void SearchThread::strong_check_limits() {
    strong_next_check = node_count + (index == 0 ? CHECK_INTERVAL : HELPER_CHECK_INTERVAL);
    // Every thread publishes its nodes for the others' sums. The main thread alone weighs the
    // limits, over the nodes of every thread; a helper stops when told, on the interface's
    // "stop" itself, or on its own once all threads together have searched the node limit, so
    // that the limits hold even while the main thread waits for a core: with many threads it
    // gets a small share of them, and until the helpers stop it could take seconds to see the
    // "stop" and answer.
    published_nodes.store(node_count, std::memory_order_relaxed);
    if (index != 0) {
        if (helpers_must_stop() || stop_requested.load(std::memory_order_relaxed) ||
            (search_limits.max_nodes > 0 && published_node_sum() >= search_limits.max_nodes))
            strong_stopped = true;
        return;
    }
    if (strong_limits_reached(searched_nodes())) strong_stopped = true;
}
