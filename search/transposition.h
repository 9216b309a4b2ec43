// The transposition table: one directly indexed entry per slot, addressed by the low bits of
// the key's low half, replaced by depth alone.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "search/scores.h"

inline constexpr int PROBE_MISS = 0;
inline constexpr int PROBE_AVOID_NULL = 1; // a null move will not fail high here

inline constexpr int32_t DEFAULT_HASH_SIZE = 8;
// The sizing reckons 24 bytes per entry in unsigned 32-bit arithmetic and allows at most 2^27
// entries: hash_size * 512 KiB must stay below 24 * 2^27 bytes, so 6143 is the largest size.
inline constexpr int32_t MAX_HASH_SIZE = 6143;
inline constexpr uint32_t HASH_UNIT_BYTES = 524288;
inline constexpr uint32_t BYTES_PER_ENTRY_RECKONED = 24;

struct TTEntry {
    uint32_t key_low;
    uint32_t key_high;
    uint8_t depth;
    int32_t score; // mate scores count plies from the stored position
    Move move;
    uint8_t bound; // 0 in an entry never written
};

extern TTEntry* tt_entries;
extern uint32_t tt_mask;
extern int32_t hash_size; // from "-hash"; 0 when none was given

struct ProbeResult {
    int32_t value;
    int outcome; // PROBE_MISS, PROBE_AVOID_NULL, or the bound code of a cutoff
    Move move;
};

// The number of entries for a hash size (0 meaning the default): the smallest power of two
// whose reckoned bytes exceed hash_size * 512 KiB.
uint32_t tt_entry_count_for(int32_t size);

// Allocates and zeroes the table from hash_size (0 becomes DEFAULT_HASH_SIZE); a failed
// allocation is fatal.
void tt_allocate();
void tt_release();

// Replaces the table by a fresh, empty one for `size` (same sizing as the start-up one); when
// the memory cannot be had, the old table stays and the answer is false.
bool tt_resize(int32_t size);

ProbeResult tt_probe(int32_t alpha, int32_t beta, int32_t depth);

// Starts loading the slot of `key` into the processor's cache, so that a probe of it a moment
// later does not wait for memory.
inline void tt_prefetch(uint64_t key) {
    __builtin_prefetch(&tt_entries[key_low(key) & tt_mask]);
}
void tt_store(int32_t depth, int32_t score, uint8_t bound, const Move& move);

// Forgets the depths, so that any store replaces; keys, scores and moves stay.
void tt_clear();

// Forgets everything, the moves that would still order a search included: the table is as
// freshly allocated.
void tt_wipe();
