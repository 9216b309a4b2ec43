#include "uci/uci_bench.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "nnue/accumulator.h"
#include "nnue/network.h"
#include "search/limits.h"
#include "search/strong/threads.h"
#include "tools/bench_run.h"

namespace {

// The depth of vantrek-bench --search strong, whose signature README.md states.
constexpr int32_t DEFAULT_DEPTH = 11;

// A whole number from 1 to `most` into `value`; false after a message that names it.
bool read_argument(const char* text, const char* what, int32_t most, int32_t& value) {
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < 1 || number > most) {
        std::fprintf(stderr, "vantrek-uci bench: the %s is 1 to %d, not '%s'\n", what, most, text);
        return false;
    }
    value = static_cast<int32_t>(number);
    return true;
}

} // namespace

int run_uci_bench(int argument_count, char** arguments) {
    // 1. The depth and the threads, if given.
    int32_t depth = DEFAULT_DEPTH;
    int32_t threads = 1;
    if (argument_count > 4) {
        std::fprintf(stderr, "usage: vantrek-uci bench [<depth> [<threads>]]\n");
        return 2;
    }
    if (argument_count >= 3 && !read_argument(arguments[2], "depth", MAX_ITERATION_DEPTH, depth))
        return 2;
    if (argument_count == 4 && !read_argument(arguments[3], "threads", MAX_SEARCH_THREADS, threads))
        return 2;
    if (!set_search_thread_count(threads)) {
        std::fprintf(stderr, "vantrek-uci bench: %d threads cannot be had\n", threads);
        return 1;
    }

    // 2. The run, as vantrek-bench --search strong makes it; with the threads named, each
    // position's time too (with more threads than one the nodes vary from run to run).
    BenchTotals totals;
    if (!run_bench(true, depth, "vantrek-uci bench", totals, argument_count == 4)) return 1;

    // 3. The totals, in the words the frameworks look for.
    std::printf("===========================\n");
    std::printf("Total time (ms) : %" PRId64 "\n", static_cast<int64_t>(totals.seconds * 1000));
    std::printf("Nodes searched  : %" PRId64 "\n", totals.nodes);
    std::printf("Nodes/second    : %" PRId64 "\n", bench_nodes_per_second(totals));
    // What evaluated the positions, and with which arithmetic (chosen when the program starts).
    if (nnue_enabled)
        std::printf("Evaluation      : network %dx%d, %s\n", NNUE_INPUTS, active_network.hidden,
                    nnue_uses_avx2() ? "AVX2" : "portable arithmetic");
    else
        std::printf("Evaluation      : hand-written\n");
    return 0;
}
