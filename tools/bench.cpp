// vantrek-bench [--search classic|strong] [<depth>]
//
// Searches every bench position to a fixed depth with no time limit and no book, as "new"
// followed by a search would, and prints the nodes of each, then "nodes", "time" and "nps".
// The total node count is a search's signature: the same from run to run, changed only by a
// change to that search or the evaluation. The classic search (the xboard engine's) is the
// default; the strong one (the UCI engine's default) has a signature of its own, at a greater
// default depth because it prunes so much more.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "search/limits.h"
#include "tools/bench_run.h"

namespace {

constexpr int DEFAULT_BENCH_DEPTH = 6;
constexpr int DEFAULT_STRONG_BENCH_DEPTH = 11;

[[noreturn]] void usage_error(const char* argument) {
    std::fprintf(stderr,
                 "vantrek-bench: bad argument '%s' (usage: vantrek-bench [--search classic|strong] "
                 "[<depth>], depth 1 to %d)\n",
                 argument, MAX_ITERATION_DEPTH);
    std::exit(2);
}

} // namespace

int main(int argument_count, char** arguments) {
    // 1. The arguments: the search, then the depth.
    bool strong = false;
    int first_free = 1;
    if (argument_count > 1 && std::strcmp(arguments[1], "--search") == 0) {
        if (argument_count < 3) usage_error(arguments[1]);
        if (std::strcmp(arguments[2], "strong") == 0)
            strong = true;
        else if (std::strcmp(arguments[2], "classic") != 0)
            usage_error(arguments[2]);
        first_free = 3;
    }
    int depth = strong ? DEFAULT_STRONG_BENCH_DEPTH : DEFAULT_BENCH_DEPTH;
    if (argument_count > first_free + 1) usage_error(arguments[first_free + 1]);
    if (argument_count == first_free + 1) {
        const char* text = arguments[first_free];
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end == text || *end != '\0' || value < 1 || value > MAX_ITERATION_DEPTH)
            usage_error(text);
        depth = static_cast<int>(value);
    }

    // 2. The run, then the totals.
    BenchTotals totals;
    if (!run_bench(strong, depth, "vantrek-bench", totals)) return 1;
    std::printf("nodes %" PRId64 "\n", totals.nodes);
    std::printf("time %.3f\n", totals.seconds);
    std::printf("nps %" PRId64 "\n", bench_nodes_per_second(totals));
    return 0;
}
