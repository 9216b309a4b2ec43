#include "support/search_helpers.h"

#include "board/game.h"
#include "book/book.h"
#include "protocol/command_loop.h"
#include "protocol/engine_turn.h"
#include "search/classic/iterate.h"
#include "search/strong/root.h"
#include "search/strong/table.h"
#include "search/thinking.h"
#include "search/transposition.h"
#include "support/board_helpers.h"

namespace test_support {

namespace {
SilentThinking silent;
}

QuietSearch::QuietSearch(int max_depth) {
    if (tt_entries == nullptr) tt_allocate();
    tt_clear();
    strong_table_clear();
    book_enabled = 0;
    post_flag = 0;
    thinking_output = &silent;
    search_limits.max_depth = max_depth;
    search_limits.use_clock = false;
    last_iteration_score = 0;
}

QuietSearch::~QuietSearch() {
    book_enabled = 1;
    post_flag = 1;
    search_limits = SearchLimits{};
    thinking_output = &xboard_thinking;
}

std::string best_move_at_depth(const std::string& fen, int depth) {
    set_up(fen);
    QuietSearch quiet(depth);
    node_count = 0;
    ply = 0;
    game_state = IN_PROGRESS;
    const Move best = search_best_move();
    return best.from == 0 ? "none" : text_of(best);
}

std::string strong_best_move_at_depth(const std::string& fen, int depth) {
    set_up(fen);
    QuietSearch quiet(depth);
    strong_new_game();
    node_count = 0;
    ply = 0;
    game_state = IN_PROGRESS;
    const Move best = strong_search_best_move();
    return best.from == 0 ? "none" : text_of(best);
}

std::string strong_best_move_here() {
    node_count = 0;
    ply = 0;
    game_state = IN_PROGRESS;
    const Move best = strong_search_best_move();
    return best.from == 0 ? "none" : text_of(best);
}

} // namespace test_support
