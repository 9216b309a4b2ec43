// The strong search's threads: the main thread's search context and, with more threads than
// one, the helpers', which search the same root beside it and share only the transposition
// table (Lazy SMP). The main thread alone looks at the clock, reports and decides the move; a
// helper's results reach it through the table. Everything here but the helpers' own calls
// (helpers_must_stop, the iteration counts) is called from the thread that runs the front
// end's commands: between searches, or as the search's main thread.
#pragma once

#include <cstdint>

class SearchThread;

// The most threads the strong search runs (the main thread counted).
inline constexpr int32_t MAX_SEARCH_THREADS = 256;

// The number of threads, the main thread counted; 1 until set.
int32_t search_thread_count();

// Makes the strong search run `count` threads (1 to MAX_SEARCH_THREADS), between searches only:
// helpers are started (each with tables of its own, about 3.7 MB) or ended now. False when a
// thread or its memory cannot be had; the threads are then as they were.
bool set_search_thread_count(int32_t count);

// The main thread's context (index 0), made at its first use.
SearchThread& main_search_thread();

// Nodes of the search in progress or the last one, over every thread: the main thread's own
// count and what the helpers last published.
int64_t searched_nodes();

// The nodes every thread last published (each does at its looks at the limits): what a helper
// can know of the search's count.
int64_t published_node_sum();

// A new game: every thread forgets what its tables learnt.
void forget_every_thread_learning();

// Called by the main thread once its root is set up: every helper takes a copy of the main
// thread's position and searches it until stop_helpers. Without helpers it does nothing.
void start_helpers(const SearchThread& main);

// Called by the main thread when its search has ended: the helpers stop, and the call returns
// once none of them searches any more (a few hundred nodes each at most).
void stop_helpers();

// Whether the helpers have been told to stop (they look at it with their limits).
bool helpers_must_stop();

// How the threads spread over the iterations: a thread says which depth it begins and ends,
// and a helper skips a depth that half the threads already search.
void enter_iteration(int32_t depth);
void leave_iteration(int32_t depth);
bool iteration_crowded(int32_t depth);
