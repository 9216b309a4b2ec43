// Standard input read by a thread of its own, so that "stop", "quit" and "isready" are heard
// while the engine thinks. The thread never touches the engine's state: while a search runs it
// answers "isready", turns "stop" and "quit" into the search's stop flag and "ponderhit" into
// the end of pondering, and keeps every other line for later; otherwise it queues every line
// for the command loop.
#pragma once

#include <string>

// Starts the reader thread.
void start_input_reader();

// The next line for the command loop; waits for one. The end of input comes as "quit".
std::string next_input_line();

// The command loop tells the reader when a search starts and ends, and whether it ponders:
// while it does, "ponderhit" clears search/root_lines.h's pondering.
void search_running(bool running, bool ponder = false);

// After a search that may not answer yet: one that may not end by itself ("go infinite") waits
// for "stop" or "quit"; one that pondered, also for "ponderhit". Without a reader thread (a
// harness that hands the engine its commands itself) nothing could ever send either, so it
// returns at once.
void wait_before_answering(bool infinite);
