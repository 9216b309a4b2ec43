// The search's clock: centiseconds from a monotonic clock, and the time allotted to one move.
#pragma once

#include <cstdint>

// Centiseconds on a monotonic clock (never jumps with the wall clock).
int64_t now_centiseconds();

// When the current search started, set by the engine's turn just before it searches.
extern int64_t search_start_time;

// The two clocks as the front end last heard them, in centiseconds: the engine's ("time") and
// the opponent's ("otim").
extern int32_t engine_clock;
extern int32_t opponent_clock;

int32_t elapsed_centiseconds();

// The time for this move from the two clocks: 1/35 of the engine's time with equal clocks,
// more when it is ahead, less when it is behind and short of time, less again in the last
// two minutes and the last minute.
int32_t allot_time();
