#include "search/strong/threads.h"

#include <memory>

#include "search/strong/thread.h"

namespace {

std::unique_ptr<SearchThread> main_thread;

} // namespace

SearchThread& main_search_thread() {
    if (!main_thread) {
        main_thread = std::make_unique<SearchThread>();
        main_thread->forget_everything();
    }
    return *main_thread;
}

void SearchThread::forget_everything() {
    clear_strong_ordering();
    clear_correction_history();
    for (PawnStructure& slot : pawn_cache.slots)
        slot.filled = false;
    for (Move& move : excluded_move)
        move = NULL_MOVE;
}

int64_t searched_nodes() {
    return main_thread ? main_thread->node_count : 0;
}

void forget_every_thread_learning() {
    main_search_thread().forget_everything();
}
