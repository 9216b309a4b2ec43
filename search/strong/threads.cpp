#include "search/strong/threads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "search/limits.h"
#include "search/strong/thread.h"

namespace {

// A helper: its search context and the thread that runs it.
struct Helper {
    std::unique_ptr<SearchThread> context;
    std::thread thread;
    bool leaving = false; // told to end; guarded by the pool's lock
};

// What the main thread shares with its helpers.
struct Pool {
    std::mutex lock;
    std::condition_variable changed;
    // Each new search handed to the helpers counts one more; a helper searches when the count
    // differs from the one it last searched.
    uint64_t generation = 0;
    // Helpers still searching the current generation.
    int64_t searching = 0;
    // The root the helpers copy, taken from the main thread before it searches.
    Position root;
    std::atomic<bool> stop{false};
    // Only the thread that runs the front end's commands adds or removes helpers.
    std::vector<std::unique_ptr<Helper>> helpers;
};

// Never destroyed: when the engine exits, its helpers still wait on it.
Pool& pool = *new Pool;

std::unique_ptr<SearchThread> main_thread;
// The number of threads, read by the helpers while they search.
std::atomic<int32_t> thread_count{1};

// Threads in each iteration depth at this moment.
std::atomic<int32_t> threads_at_depth[MAX_ITERATION_DEPTH + 2];

void run_helper(Helper& helper, uint64_t generation_seen) {
    SearchThread& thread = *helper.context;
    while (true) {
        {
            std::unique_lock<std::mutex> hold(pool.lock);
            pool.changed.wait(hold,
                              [&] { return helper.leaving || pool.generation != generation_seen; });
            if (helper.leaving) return;
            generation_seen = pool.generation;
            thread.copy_from(pool.root);
        }
        thread.helper_search();
        {
            const std::lock_guard<std::mutex> hold(pool.lock);
            --pool.searching;
        }
        pool.changed.notify_all();
    }
}

// Ends the last helper: it leaves its wait, its thread is joined, its context freed.
void end_last_helper() {
    Helper& helper = *pool.helpers.back();
    {
        const std::lock_guard<std::mutex> hold(pool.lock);
        helper.leaving = true;
    }
    pool.changed.notify_all();
    helper.thread.join();
    pool.helpers.pop_back();
}

// Adds one helper with fresh tables; false when its memory or its thread cannot be had.
bool add_helper() {
    auto helper = std::unique_ptr<Helper>(new (std::nothrow) Helper);
    if (helper == nullptr) return false;
    // Value-initialised: every table starts at zero, as after a new game.
    helper->context = std::unique_ptr<SearchThread>(new (std::nothrow) SearchThread());
    if (helper->context == nullptr) return false;
    helper->context->index = static_cast<int32_t>(pool.helpers.size()) + 1;
    helper->context->forget_everything();
    uint64_t generation;
    {
        const std::lock_guard<std::mutex> hold(pool.lock);
        generation = pool.generation;
    }
    try {
        helper->thread = std::thread(run_helper, std::ref(*helper), generation);
    } catch (const std::system_error&) {
        return false;
    }
    pool.helpers.push_back(std::move(helper));
    return true;
}

} // namespace

int32_t search_thread_count() {
    return thread_count.load(std::memory_order_relaxed);
}

bool set_search_thread_count(int32_t count) {
    const size_t wanted = static_cast<size_t>(std::clamp(count, 1, MAX_SEARCH_THREADS) - 1);
    const size_t before = pool.helpers.size();
    while (pool.helpers.size() > wanted)
        end_last_helper();
    while (pool.helpers.size() < wanted) {
        if (add_helper()) continue;
        // What could not be had leaves the threads as they were.
        while (pool.helpers.size() > before)
            end_last_helper();
        return false;
    }
    thread_count.store(static_cast<int32_t>(pool.helpers.size()) + 1, std::memory_order_relaxed);
    return true;
}

void SearchThread::forget_everything() {
    clear_strong_ordering();
    clear_correction_history();
    for (PawnStructure& slot : pawn_cache.slots)
        slot.filled = false;
    for (Move& move : excluded_move)
        move = NULL_MOVE;
}

SearchThread& main_search_thread() {
    if (!main_thread) {
        main_thread = std::make_unique<SearchThread>();
        main_thread->forget_everything();
    }
    return *main_thread;
}

int64_t searched_nodes() {
    int64_t nodes = main_thread ? main_thread->node_count : 0;
    for (const auto& helper : pool.helpers)
        nodes += helper->context->published_nodes.load(std::memory_order_relaxed);
    return nodes;
}

int64_t published_node_sum() {
    int64_t nodes = main_thread->published_nodes.load(std::memory_order_relaxed);
    for (const auto& helper : pool.helpers)
        nodes += helper->context->published_nodes.load(std::memory_order_relaxed);
    return nodes;
}

void forget_every_thread_learning() {
    main_search_thread().forget_everything();
    for (const auto& helper : pool.helpers)
        helper->context->forget_everything();
}

void start_helpers(const SearchThread& main) {
    if (pool.helpers.empty() || !search_limits.use_helpers) return;
    {
        const std::lock_guard<std::mutex> hold(pool.lock);
        pool.root.copy_from(main);
        pool.stop.store(false, std::memory_order_relaxed);
        // A helper that has yet to wake must not count the nodes of the last search.
        for (const auto& helper : pool.helpers)
            helper->context->published_nodes.store(0, std::memory_order_relaxed);
        pool.searching = static_cast<int64_t>(pool.helpers.size());
        ++pool.generation;
    }
    pool.changed.notify_all();
}

void stop_helpers() {
    pool.stop.store(true, std::memory_order_relaxed);
    std::unique_lock<std::mutex> hold(pool.lock);
    pool.changed.wait(hold, [] { return pool.searching == 0; });
}

bool helpers_must_stop() {
    return pool.stop.load(std::memory_order_relaxed);
}

void enter_iteration(int32_t depth) {
    threads_at_depth[depth].fetch_add(1, std::memory_order_relaxed);
}

void leave_iteration(int32_t depth) {
    threads_at_depth[depth].fetch_sub(1, std::memory_order_relaxed);
}

bool iteration_crowded(int32_t depth) {
    return 2 * threads_at_depth[depth].load(std::memory_order_relaxed) >= search_thread_count();
}
