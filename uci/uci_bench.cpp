#include "uci/uci_bench.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "nnue/accumulator.h"
#include "nnue/network.h"
#include "search/iterate.h"
#include "tools/bench_run.h"

namespace {

// The depth of vantrek-bench --search strong, whose signature README.md states.
constexpr int DEFAULT_DEPTH = 11;

} // namespace

int run_uci_bench(int argument_count, char** arguments) {
    // 1. The depth, if given.
    int depth = DEFAULT_DEPTH;
    if (argument_count > 3) {
        std::fprintf(stderr, "usage: vantrek-uci bench [<depth>]\n");
        return 2;
    }
    if (argument_count == 3) {
        char* end = nullptr;
        const long value = std::strtol(arguments[2], &end, 10);
        if (end == arguments[2] || *end != '\0' || value < 1 || value > MAX_ITERATION_DEPTH) {
            std::fprintf(stderr, "vantrek-uci bench: the depth is 1 to %d, not '%s'\n",
                         MAX_ITERATION_DEPTH, arguments[2]);
            return 2;
        }
        depth = static_cast<int>(value);
    }

    // 2. The run, as vantrek-bench --search strong makes it.
    BenchTotals totals;
    if (!run_bench(true, depth, "vantrek-uci bench", totals)) return 1;

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
