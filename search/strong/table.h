// The strong search's transposition table, shared by all its threads and its own (the classic
// search keeps search/transposition.h). Buckets of four 16-byte entries fill one cache line; an
// entry holds the move, the score, the static evaluation, the depth, the bound and the search
// it was written in (its age). Threads read and write it without locks: an entry is two 64-bit
// words, the data and the key XOR the data, so that an entry whose two words come from different
// writes does not match any key a thread looks for. Whatever the table says is only a hint:
// the search plays only moves it generated for the position, and the table's move merely
// orders them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/position.h"

struct TableHit {
    bool found = false;
    int32_t depth = 0;
    int32_t score = 0; // mate scores counted from the root again
    int32_t eval = 0;  // the position's static evaluation (uncorrected); NO_EVAL when not kept
    uint8_t bound = 0;
    Move move = NULL_MOVE;
};

// The table's size in megabytes when nothing else is asked for, and the largest size asked.
inline constexpr size_t DEFAULT_STRONG_TABLE_MEGABYTES = 16;
inline constexpr size_t MAX_STRONG_TABLE_MEGABYTES = size_t{1} << 20;

// Replaces the table by an empty one of `megabytes` (any number from 1 up, not only powers of
// two: the table is as large as asked). When the memory cannot be had, the table stays as it
// was and the answer is false.
bool strong_table_resize(size_t megabytes);
// The table's size in megabytes; 0 before it is first made. A search makes the default one if
// no front end made one.
size_t strong_table_megabytes();
// Empties every entry (a new game, "Clear Hash").
void strong_table_clear();
// A new search begins: what it writes is younger than everything in the table, so that entries
// of earlier searches give way first.
void strong_table_new_search();
// Permille of the table's entries that the current search has written (from a sample of its
// first thousand buckets, as interfaces show it in "hashfull").
int32_t strong_table_permille();

// The entry of the position with `key`, if the table holds it; `ply` counts mate scores from
// the root.
TableHit strong_tt_probe(uint64_t key, int32_t ply);

// Stores the result of a node at `ply` of the position with `key`, with the position's static
// evaluation (NO_EVAL for none). The same position keeps a much deeper result of the current
// search unless the new one is exact, and keeps its move when the new result has none; another
// position takes the bucket's entry with the least depth, counting an entry of an earlier
// search as less deep.
void strong_tt_store(uint64_t key, int32_t ply, int32_t depth, int32_t score, uint8_t bound,
                     const Move& move, int32_t eval);

// The buckets and their number (search/strong/table.cpp); the bucket of a key is the high part
// of the product of the key and the number, so any number of buckets is filled evenly.
struct TableBucket;
extern TableBucket* strong_table_buckets;
extern uint64_t strong_table_bucket_count;
inline uint64_t strong_table_bucket_of(uint64_t key) {
    return static_cast<uint64_t>(
        (static_cast<unsigned __int128>(key) * strong_table_bucket_count) >> 64);
}

// Starts loading the bucket of `key` into the processor's cache, so that a probe of it a moment
// later does not wait for memory. (A bucket is one cache line of 64 bytes.)
inline void strong_table_prefetch(uint64_t key) {
    __builtin_prefetch(reinterpret_cast<const char*>(strong_table_buckets) +
                       64 * strong_table_bucket_of(key));
}
