// The strong search's threads: the main thread's search context and, with more threads than
// one, the helpers', which search the same root beside it and share only the transposition
// table (Lazy SMP). Everything here is called from the thread that runs the front end's
// commands, between searches or by the search's main thread.
#pragma once

#include <cstdint>

class SearchThread;

// The main thread's context (index 0), made at its first use.
SearchThread& main_search_thread();

// The nodes of the search in progress or the last one, every thread's together: the main
// thread's own count and what the helpers last published.
int64_t searched_nodes();

// A new game: every thread forgets what its tables learnt.
void forget_every_thread_learning();
