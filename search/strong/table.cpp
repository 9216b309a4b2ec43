#include "search/strong/table.h"

#include "search/scores.h"
#include "search/transposition.h"

namespace {

// A result this much shallower than the stored one of the same position does not replace it.
constexpr int32_t DEPTH_MARGIN = 3;

inline TTEntry& slot_of(uint64_t key) {
    return tt_entries[key_low(key) & tt_mask];
}

inline bool holds_position(const TTEntry& entry, uint64_t key) {
    return entry.bound != 0 && entry.key_low == key_low(key) && entry.key_high == key_high(key);
}

} // namespace

TableHit strong_tt_probe(uint64_t key, int32_t ply) {
    TableHit hit;
    const TTEntry& entry = slot_of(key);
    if (!holds_position(entry, key)) return hit;
    hit.found = true;
    hit.depth = entry.depth;
    hit.bound = entry.bound;
    hit.move = entry.move;
    // A mate score counts plies from the stored position in the table, from the root here.
    hit.score = entry.score;
    if (hit.score > MATE_THRESHOLD)
        hit.score -= ply;
    else if (hit.score < -MATE_THRESHOLD)
        hit.score += ply;
    return hit;
}

void strong_tt_store(uint64_t key, int32_t ply, int32_t depth, int32_t score, uint8_t bound,
                     const Move& move) {
    TTEntry& entry = slot_of(key);
    const bool same_position = holds_position(entry, key);
    if (same_position && bound != BOUND_EXACT && depth + DEPTH_MARGIN < entry.depth) return;
    // The quiescence search (depth 0) stores only over other quiescence results: its many
    // results would otherwise wash out the deeper ones.
    if (!same_position && depth <= 0 && entry.depth > 0) return;
    if (!same_position || move.from != 0) entry.move = move;
    entry.key_low = key_low(key);
    entry.key_high = key_high(key);
    if (score > MATE_THRESHOLD)
        score += ply;
    else if (score < -MATE_THRESHOLD)
        score -= ply;
    entry.score = score;
    entry.depth = static_cast<uint8_t>(depth < 0 ? 0 : (depth > 255 ? 255 : depth));
    entry.bound = bound;
}
