// "vantrek-uci bench [depth [threads]]": the bench of the UCI engine's default search, the strong
// one, as engine-testing frameworks run it on every engine: the same positions, settings and node
// count as "vantrek-bench --search strong", reported as those frameworks read it.
#pragma once

// Runs the bench and returns the exit status: 0, or 2 for a bad argument.
int run_uci_bench(int argument_count, char** arguments);
