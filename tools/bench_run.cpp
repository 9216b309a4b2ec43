#include "tools/bench_run.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <string>

#include "base/engine_state.h"
#include "board/fen.h"
#include "board/game.h"
#include "board/keys.h"
#include "book/book.h"
#include "eval/parameter_file.h"
#include "nnue/accumulator.h"
#include "nnue/network.h"
#include "search/classic/iterate.h"
#include "search/strong/root.h"
#include "search/strong/table.h"
#include "search/thinking.h"
#include "search/transposition.h"
#include "tools/bench_positions.h"

bool run_bench(bool strong, int depth, const char* program, BenchTotals& totals, bool show_times) {
    // 1. The engine as "new" leaves it, without a book. Every weight 0, so that no weight file
    // changes the signature. They are set through the reader, as in the engine: left untouched,
    // the compiler would see that the bench never changes them and fold every weighted term
    // away, and the bench would time an evaluation the engine does not run.
    init_keys();
    tt_allocate();
    // The strong search's table at the size the UCI engine starts with: the signature counts
    // the nodes of searches with this table.
    if (strong && !strong_table_resize(DEFAULT_STRONG_TABLE_MEGABYTES)) {
        std::fprintf(stderr, "%s: no memory for the table\n", program);
        tt_release();
        return false;
    }
    new_game();
    init_book_index_mask();
    book_enabled = 0;
    load_parameters_from("");
    post_flag = 0;
    SilentThinking silent;
    thinking_output = &silent;
    search_limits.max_depth = depth;
    search_limits.use_clock = false;
    // The strong search evaluates with the built-in network when the program has one.
    nnue_enabled = strong && use_embedded_network();

    // 2. Every position from an empty table and empty ordering tables.
    totals = BenchTotals{};
    const auto start = std::chrono::steady_clock::now();
    int number = 0;
    for (const char* fen : BENCH_POSITIONS) {
        ++number;
        std::string error;
        if (!set_position_from_fen(fen, error)) {
            std::fprintf(stderr, "%s: position %d: %s\n", program, number, error.c_str());
            tt_release();
            return false;
        }
        tt_clear();
        const auto position_start = std::chrono::steady_clock::now();
        node_count = 0;
        ply = 0;
        if (strong) {
            strong_table_clear();
            strong_new_game();
            strong_search_best_move();
        } else {
            search_best_move();
        }
        if (show_times) {
            const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - position_start);
            std::printf("position %2d: %" PRId64 " nodes %" PRId64 " ms\n", number, node_count,
                        static_cast<int64_t>(milliseconds.count()));
        } else {
            std::printf("position %2d: %" PRId64 " nodes\n", number, node_count);
        }
        totals.nodes += node_count;
    }
    totals.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    tt_release();
    return true;
}

int64_t bench_nodes_per_second(const BenchTotals& totals) {
    return totals.seconds > 0
               ? static_cast<int64_t>(static_cast<double>(totals.nodes) / totals.seconds)
               : totals.nodes;
}
