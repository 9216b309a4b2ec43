// The engine's entry: the command line, the start-up sequence and the one way out.
#pragma once

#include "base/engine_state.h"

// Reads "-hash <size>" (also written "/hash", in any case) into hash_size. A missing or
// unusable size is fatal; other arguments are reported and ignored.
void parse_command_line(int argument_count, char** arguments);

// Brings every subsystem into its initial state, in order, up to the command loop.
void start_engine(int argument_count, char** arguments);

// Run first by exit_engine when set. The engines leave it empty. A harness that drives the engine
// inside its own process (the fuzz targets) sets a hook that never returns, so that the engine's
// one way out ends that run instead of the process.
extern void (*exit_engine_hook)(int status);
