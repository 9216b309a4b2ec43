// The bench's run, shared by vantrek-bench and "vantrek-uci bench": every bench position
// searched to a fixed depth by the chosen search, each from a fresh engine.
#pragma once

#include <cstdint>

struct BenchTotals {
    int64_t nodes = 0;
    double seconds = 0;
};

// Searches every bench position to `depth` with the strong or the classic search, with no book,
// every weight 0, no time limit and empty tables for each position, and prints each position's
// nodes ("position  n: N nodes", and with `show_times` the milliseconds it took: "position  n:
// N nodes T ms"). False, after a message that names `program`, when a position cannot be set up.
bool run_bench(bool strong, int depth, const char* program, BenchTotals& totals,
               bool show_times = false);

// Nodes per second of a run (the node count itself when it took no measurable time).
int64_t bench_nodes_per_second(const BenchTotals& totals);
