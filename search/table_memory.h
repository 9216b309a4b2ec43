// Memory for a large table: zeroed, aligned to a cache line, and refused rather than fatal when
// the system has none to give.
#pragma once

#include <cstddef>

// `bytes` of zeroed memory starting on a 64-byte boundary, or nullptr when it cannot be had.
void* allocate_table_memory(size_t bytes);

// Returns memory from allocate_table_memory (nullptr is allowed).
void release_table_memory(void* memory);
