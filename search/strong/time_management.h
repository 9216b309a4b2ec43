// The strong search's time management: a soft limit (the time a move should take, stretched
// or shrunk after each iteration by how settled the search is) and a hard limit (never passed),
// both from the remaining time, the increment and the moves to go.
#pragma once

#include <cstdint>

#include "search/limits.h"

// The time an interface takes to receive a move and stop the engine's clock, and the engine to
// be scheduled again, unless the front end says otherwise (milliseconds).
inline constexpr int64_t DEFAULT_MOVE_OVERHEAD = 20;

// The longest time a clock reading may give (about 35 years): anything longer means "no hurry",
// and every sum and product of the time plan stays far inside 64 bits.
inline constexpr int64_t MAX_CLOCK_MILLISECONDS = int64_t{1} << 40;

// What the interface said about the clock for this move, in milliseconds.
struct ClockReading {
    int64_t time_left = -1; // the side to move's remaining time; -1 when not given
    int64_t increment = 0;
    int32_t moves_to_go = 0;                  // 0: the rest of the game
    int64_t move_time = -1;                   // exactly this long; -1 when not given
    int64_t overhead = DEFAULT_MOVE_OVERHEAD; // kept back from every limit
};
extern ClockReading strong_clock;

// The limits of one search, in milliseconds from its start; both 0 when the clock is unused.
struct TimePlan {
    bool use_clock = false;
    bool fixed_time = false; // a time per move: used whole, no early stop
    int64_t soft = 0;        // stop deepening past this (scaled by the search's state)
    int64_t hard = 0;        // abort the iteration in progress at this
};

// The plan for a clock reading. The overhead, the time an interface needs to pass the move on,
// is kept back from every limit; at least a millisecond is left. Every reading is first held to
// 0 .. MAX_CLOCK_MILLISECONDS, so any values whatever give a sound plan.
TimePlan plan_time(const ClockReading& clock);

// How the last completed iteration went, for the decision to deepen.
struct IterationReport {
    int32_t stable_iterations; // iterations in a row that kept the best move
    int32_t score_drop;        // the previous iteration's score minus this one's (> 0: worse)
    // The share (0 to 1) of the search's nodes spent under the best move; negative when not
    // known, or too early in the search to say much.
    double best_move_share = -1.0;
};

// The iteration from which the best move's share of the nodes counts.
inline constexpr int32_t NODE_SHARE_MIN_DEPTH = 8;

// The share of the soft limit this search may use after an iteration: less when the best move
// has stayed the same for several iterations, more when it just changed or the score dropped.
double soft_limit_scale(const IterationReport& report);

// Milliseconds on a monotonic clock.
int64_t now_milliseconds();

// When the front end took the command that started this search (milliseconds on the same
// clock), so that the time it and the book took counts too; 0 when no front end said. The next
// search's clock reads it and sets it back to 0.
extern int64_t command_received_at;

// Per search: the plan in force and when the search started.
void start_strong_clock(const TimePlan& plan);
int64_t strong_elapsed();
// After an iteration: true when another one should not be started.
bool strong_soft_limit_reached(const IterationReport& report);

// A search thread looks at the limits after this many of its nodes (a fraction of a
// millisecond; reading the clock costs far less than a node).
inline constexpr int64_t CHECK_INTERVAL = 256;
// A helper looks more often: it only reads two flags, and the main thread waits for every helper
// to stop before it answers.
inline constexpr int64_t HELPER_CHECK_INTERVAL = 64;

// Whether the search must end now, after `nodes` nodes (of every thread): "stop", the node
// limit, or the hard limit of the clock (not while pondering).
bool strong_limits_reached(int64_t nodes);
