#include "search/transposition.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/engine_state.h"
#include "board/game.h"
#include "search/scores.h"

TTEntry* tt_entries = nullptr;
uint32_t tt_mask = 0;
int32_t hash_size = 0;

namespace {

inline TTEntry& slot_of_current_position() {
    return tt_entries[key_low(hash_key) & tt_mask];
}

inline bool slot_matches(const TTEntry& entry) {
    return entry.key_low == key_low(hash_key) && entry.key_high == key_high(hash_key);
}

// A mate score counts plies from the root; in the table it counts from the stored position.
inline int32_t score_to_table(int32_t score) {
    if (score > MATE_THRESHOLD) return score + ply;
    if (score < -MATE_THRESHOLD) return score - ply;
    return score;
}

inline int32_t score_from_table(int32_t score) {
    if (score > MATE_THRESHOLD) return score - ply;
    if (score < -MATE_THRESHOLD) return score + ply;
    return score;
}

} // namespace

uint32_t tt_entry_count_for(int32_t size) {
    if (size == 0) size = DEFAULT_HASH_SIZE;
    const uint32_t budget = static_cast<uint32_t>(size) * HASH_UNIT_BYTES;
    if (budget < BYTES_PER_ENTRY_RECKONED) return 1;
    uint32_t entries = 2;
    while (BYTES_PER_ENTRY_RECKONED * static_cast<uint64_t>(entries) <= budget)
        entries *= 2;
    return entries;
}

void tt_allocate() {
    if (hash_size == 0) hash_size = DEFAULT_HASH_SIZE;
    const uint32_t entries = tt_entry_count_for(hash_size);
    tt_mask = entries - 1;
    // calloc hands out zeroed memory: keys 0, depth 0, bound 0.
    tt_entries = static_cast<TTEntry*>(std::calloc(entries, sizeof(TTEntry)));
    if (tt_entries == nullptr) {
        std::fprintf(stderr, "Couldn't allocate memory for hash tables!\n");
        exit_engine(1);
    }
}

bool tt_resize(int32_t size) {
    const uint32_t entries = tt_entry_count_for(size);
    auto* fresh = static_cast<TTEntry*>(std::calloc(entries, sizeof(TTEntry)));
    if (fresh == nullptr) return false;
    std::free(tt_entries);
    tt_entries = fresh;
    tt_mask = entries - 1;
    hash_size = size;
    return true;
}

void tt_release() {
    std::free(tt_entries);
    tt_entries = nullptr;
}

ProbeResult tt_probe(int32_t alpha, int32_t beta, int32_t depth) {
    ProbeResult result{0, PROBE_MISS, NULL_MOVE};
    const TTEntry& entry = slot_of_current_position();
    if (!slot_matches(entry)) return result;

    // The move is copied out first: even an entry too shallow for a cutoff orders the search.
    result.move = entry.move;
    const int32_t score = score_from_table(entry.score);
    if (entry.depth > depth - 2 && score < beta && entry.bound == BOUND_UPPER)
        result.outcome = PROBE_AVOID_NULL;
    if (entry.depth < depth) return result;

    if (entry.bound == BOUND_EXACT) {
        result.outcome = BOUND_EXACT;
        result.value = score;
    } else if (entry.bound == BOUND_UPPER && score <= alpha) {
        result.outcome = BOUND_UPPER;
        result.value = alpha;
    } else if (entry.bound == BOUND_LOWER && score >= beta) {
        result.outcome = BOUND_LOWER;
        result.value = beta;
    }
    return result;
}

void tt_store(int32_t depth, int32_t score, uint8_t bound, const Move& move) {
    TTEntry& entry = slot_of_current_position();
    const uint8_t stored_depth = static_cast<uint8_t>(depth);
    if (stored_depth < entry.depth) return;
    entry.key_low = key_low(hash_key);
    entry.key_high = key_high(hash_key);
    entry.move = move;
    entry.score = score_to_table(score);
    entry.depth = stored_depth;
    entry.bound = bound;
}

void tt_clear() {
    if (tt_entries == nullptr) return;
    for (uint32_t i = 0; i <= tt_mask; ++i)
        tt_entries[i].depth = 0;
}

void tt_wipe() {
    if (tt_entries == nullptr) return;
    std::memset(static_cast<void*>(tt_entries), 0, (size_t{tt_mask} + 1) * sizeof(TTEntry));
}
