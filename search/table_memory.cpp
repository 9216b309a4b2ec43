#include "search/table_memory.h"

#include <cstring>
#include <new>

namespace {

constexpr std::align_val_t CACHE_LINE{64};

} // namespace

void* allocate_table_memory(size_t bytes) {
    void* memory = ::operator new(bytes, CACHE_LINE, std::nothrow);
    // Zeroed here, so that the pages are the table's before a search starts, not at its first
    // probes.
    if (memory != nullptr) std::memset(memory, 0, bytes);
    return memory;
}

void release_table_memory(void* memory) {
    ::operator delete(memory, CACHE_LINE, std::nothrow);
}
