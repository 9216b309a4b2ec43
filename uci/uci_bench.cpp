#include "uci/uci_bench.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/fen.h"
#include "board/keys.h"
#include "book/book.h"
#include "protocol/parameters.h"
#include "search/iterate.h"
#include "search/strong_root.h"
#include "search/thinking.h"
#include "search/transposition.h"
#include "tools/bench_positions.h"

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

    // 2. The engine as the bench tool sets it up: no book, every weight 0 (through the reader,
    // as the engine sets them), no output while searching, only the depth as a limit.
    init_keys();
    tt_allocate();
    new_game();
    init_book_index_mask();
    book_enabled = 0;
    load_parameters_from("");
    SilentThinking silent;
    thinking_output = &silent;
    search_limits.max_depth = depth;
    search_limits.use_clock = false;

    // 3. Every position from an empty table and empty ordering tables.
    int64_t total_nodes = 0;
    const auto start = std::chrono::steady_clock::now();
    int number = 0;
    for (const char* fen : BENCH_POSITIONS) {
        ++number;
        std::string error;
        if (!set_position_from_fen(fen, error)) {
            std::fprintf(stderr, "vantrek-uci bench: position %d: %s\n", number, error.c_str());
            return 1;
        }
        tt_clear();
        node_count = 0;
        ply = 0;
        strong_new_game();
        strong_search_best_move();
        std::printf("position %2d: %" PRId64 " nodes\n", number, node_count);
        total_nodes += node_count;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // 4. The totals, in the words the frameworks look for.
    const int64_t nodes_per_second =
        seconds > 0 ? static_cast<int64_t>(static_cast<double>(total_nodes) / seconds)
                    : total_nodes;
    std::printf("===========================\n");
    std::printf("Total time (ms) : %" PRId64 "\n", static_cast<int64_t>(seconds * 1000));
    std::printf("Nodes searched  : %" PRId64 "\n", total_nodes);
    std::printf("Nodes/second    : %" PRId64 "\n", nodes_per_second);
    tt_release();
    return 0;
}
