// vantrek-bench [--search classic|strong] [<depth>]
//
// Searches every bench position to a fixed depth with no time limit and no book, as "new"
// followed by a search would, and prints the nodes of each, then "nodes", "time" and "nps".
// The total node count is a search's signature: the same from run to run, changed only by a
// change to that search or the evaluation. The classic search (the xboard engine's) is the
// default; the strong one (the UCI engine's default) has a signature of its own, at a greater
// default depth because it prunes so much more.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/keys.h"
#include "book/book.h"
#include "protocol/command_loop.h"
#include "protocol/parameters.h"
#include "search/iterate.h"
#include "search/strong_root.h"
#include "search/thinking.h"
#include "search/transposition.h"
#include "tools/bench_positions.h"

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

    init_keys();
    tt_allocate();
    new_game();
    init_book_index_mask();
    book_enabled = 0;
    // Every weight 0, so that no weight file changes the signature. They are set through the
    // reader, as in the engine: left untouched, the compiler would see that the bench never
    // changes them and fold every weighted term away, and the bench would time an evaluation
    // the engine does not run.
    load_parameters_from("");
    post_flag = 0;
    SilentThinking silent;
    thinking_output = &silent;
    search_limits.max_depth = depth;
    search_limits.use_clock = false;

    int64_t total_nodes = 0;
    const auto start = std::chrono::steady_clock::now();
    int number = 0;
    for (const char* fen : BENCH_POSITIONS) {
        ++number;
        std::string error;
        if (!set_position_from_fen(fen, error)) {
            std::fprintf(stderr, "vantrek-bench: position %d: %s\n", number, error.c_str());
            return 1;
        }
        tt_clear();
        node_count = 0;
        ply = 0;
        if (strong) {
            strong_new_game();
            strong_search_best_move();
        } else {
            search_best_move();
        }
        std::printf("position %2d: %" PRId64 " nodes\n", number, node_count);
        total_nodes += node_count;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("nodes %" PRId64 "\n", total_nodes);
    std::printf("time %.3f\n", seconds);
    std::printf("nps %" PRId64 "\n",
                seconds > 0 ? static_cast<int64_t>(static_cast<double>(total_nodes) / seconds)
                            : total_nodes);
    tt_release();
    return 0;
}
