#include "search/strong/table.h"

#include <algorithm>
#include <atomic>

#include "search/scores.h"
#include "search/strong/ordering.h"
#include "search/strong/search.h"
#include "search/table_memory.h"

namespace {

// One entry: the data, and the key XOR the data. Each word is read and written whole, so two
// threads never see half a word; a reader that finds the key of another write beside the data of
// this one computes a key that is no position's and misses.
struct TableEntry {
    std::atomic<uint64_t> key_xor_data;
    std::atomic<uint64_t> data;
};

// The data word, from its low bits up:
//   move      16  from and to as 0..63 (square_64) and the promotion's piece code; 0 for none
//   score     18  two's complement; a mate as +-(SCORE_LIMIT - plies to the mate)
//   eval      16  two's complement; NO_STORED_EVAL for none
//   depth      8
//   bound      2  0 empty, else the bound code minus 1 (BOUND_EXACT, UPPER, LOWER)
//   age        4  the search that wrote it, counted modulo 16
constexpr int MOVE_SHIFT = 0, SCORE_SHIFT = 16, EVAL_SHIFT = 34, DEPTH_SHIFT = 50;
constexpr int BOUND_SHIFT = 58, AGE_SHIFT = 60;
constexpr int32_t SCORE_BITS = 18;
constexpr int32_t SCORE_LIMIT = (1 << (SCORE_BITS - 1)) - 1;
// Scores other than mates are held below the band of the mates (a score this large is no
// position's; only a network that is not a trained one could come near it).
constexpr int32_t ORDINARY_SCORE_LIMIT = SCORE_LIMIT - (MATE_SCORE - MATE_THRESHOLD) - 1;
constexpr int32_t NO_STORED_EVAL = -32768;
constexpr int32_t AGE_CYCLE = 16;
// An entry written this many searches ago counts as so many plies less deep when the store
// chooses which entry of a bucket gives way.
constexpr int32_t AGE_WEIGHT = 8;
// A result this much shallower than the stored one of the same position, from the same search,
// does not replace it.
constexpr int32_t DEPTH_MARGIN = 3;

} // namespace

struct TableBucket {
    TableEntry entries[4];
};
static_assert(sizeof(TableBucket) == 64, "a bucket is one cache line");

TableBucket* strong_table_buckets = nullptr;
uint64_t strong_table_bucket_count = 0;

namespace {

size_t table_megabytes = 0;
int32_t current_age = 0;

uint64_t field(uint64_t data, int shift, int bits) {
    return (data >> shift) & ((uint64_t{1} << bits) - 1);
}

int32_t signed_field(uint64_t data, int shift, int bits) {
    const auto value = static_cast<int64_t>(field(data, shift, bits) << (64 - bits));
    return static_cast<int32_t>(value >> (64 - bits)); // the arithmetic shift extends the sign
}

uint64_t pack_move(const Move& move) {
    if (move.from == 0) return 0;
    return square_64[move.from] | uint64_t{square_64[move.to]} << 6 |
           uint64_t{move.promotion & 15u} << 12;
}

// The move as the table holds it: the squares and the promotion, enough to find it among the
// moves generated for the position. A move is never played from here.
Move unpack_move(uint64_t bits) {
    Move move = NULL_MOVE;
    const uint32_t from = bits & 63, to = (bits >> 6) & 63;
    if (from == to) return move;
    move.from = square_of_bit[from];
    move.to = square_of_bit[to];
    const uint32_t promotion = (bits >> 12) & 15;
    move.promotion = static_cast<uint8_t>(promotion < PIECE_CODES ? promotion : 0);
    return move;
}

// `score` counts a mate from the stored position (see strong_tt_store).
uint64_t pack_score(int32_t score) {
    int32_t packed;
    if (score > MATE_THRESHOLD)
        packed = SCORE_LIMIT - (MATE_SCORE - score);
    else if (score < -MATE_THRESHOLD)
        packed = -SCORE_LIMIT + (MATE_SCORE + score);
    else
        packed = std::clamp(score, -ORDINARY_SCORE_LIMIT, ORDINARY_SCORE_LIMIT);
    return static_cast<uint64_t>(packed) & ((uint64_t{1} << SCORE_BITS) - 1);
}

int32_t unpack_score(int32_t packed) {
    if (packed > ORDINARY_SCORE_LIMIT) return MATE_SCORE - (SCORE_LIMIT - packed);
    if (packed < -ORDINARY_SCORE_LIMIT) return -MATE_SCORE + (SCORE_LIMIT + packed);
    return packed;
}

uint64_t pack_eval(int32_t eval) {
    const int32_t packed = eval > NO_STORED_EVAL && eval <= 32767 ? eval : NO_STORED_EVAL;
    return static_cast<uint64_t>(packed) & 0xFFFF;
}

int32_t age_of(uint64_t data) {
    return static_cast<int32_t>(field(data, AGE_SHIFT, 4));
}

int32_t depth_of(uint64_t data) {
    return static_cast<int32_t>(field(data, DEPTH_SHIFT, 8));
}

bool is_empty(uint64_t data) {
    return field(data, BOUND_SHIFT, 2) == 0;
}

// How many searches ago the entry was written (0: this one).
int32_t searches_ago(uint64_t data) {
    return (current_age - age_of(data) + AGE_CYCLE) & (AGE_CYCLE - 1);
}

TableBucket& bucket_of(uint64_t key) {
    return strong_table_buckets[strong_table_bucket_of(key)];
}

} // namespace

bool strong_table_resize(size_t megabytes) {
    megabytes = std::clamp<size_t>(megabytes, 1, MAX_STRONG_TABLE_MEGABYTES);
    const size_t bytes = megabytes << 20;
    void* memory = allocate_table_memory(bytes);
    if (memory == nullptr) return false;
    release_table_memory(strong_table_buckets);
    strong_table_buckets = static_cast<TableBucket*>(memory);
    strong_table_bucket_count = bytes / sizeof(TableBucket);
    table_megabytes = megabytes;
    current_age = 0;
    return true;
}

size_t strong_table_megabytes() {
    return table_megabytes;
}

void strong_table_clear() {
    if (strong_table_buckets == nullptr) return;
    for (uint64_t i = 0; i < strong_table_bucket_count; ++i)
        for (TableEntry& entry : strong_table_buckets[i].entries) {
            entry.key_xor_data.store(0, std::memory_order_relaxed);
            entry.data.store(0, std::memory_order_relaxed);
        }
    current_age = 0;
}

void strong_table_new_search() {
    if (strong_table_buckets == nullptr && !strong_table_resize(DEFAULT_STRONG_TABLE_MEGABYTES))
        return;
    current_age = (current_age + 1) & (AGE_CYCLE - 1);
}

int32_t strong_table_permille() {
    const uint64_t sample = std::min<uint64_t>(1000, strong_table_bucket_count);
    if (sample == 0) return 0;
    uint64_t written = 0;
    for (uint64_t i = 0; i < sample; ++i)
        for (const TableEntry& entry : strong_table_buckets[i].entries) {
            const uint64_t data = entry.data.load(std::memory_order_relaxed);
            if (!is_empty(data) && searches_ago(data) == 0) ++written;
        }
    return static_cast<int32_t>(written * 1000 / (sample * 4));
}

TableHit strong_tt_probe(uint64_t key, int32_t ply) {
    TableHit hit;
    if (strong_table_buckets == nullptr) return hit;
    for (const TableEntry& entry : bucket_of(key).entries) {
        const uint64_t data = entry.data.load(std::memory_order_relaxed);
        if ((entry.key_xor_data.load(std::memory_order_relaxed) ^ data) != key || is_empty(data))
            continue;
        hit.found = true;
        hit.depth = depth_of(data);
        hit.bound = static_cast<uint8_t>(field(data, BOUND_SHIFT, 2) + 1);
        hit.move = unpack_move(field(data, MOVE_SHIFT, 16));
        const int32_t eval = signed_field(data, EVAL_SHIFT, 16);
        hit.eval = eval == NO_STORED_EVAL ? NO_EVAL : eval;
        // A mate score counts plies from the stored position in the table, from the root here.
        hit.score = unpack_score(signed_field(data, SCORE_SHIFT, SCORE_BITS));
        if (hit.score > MATE_THRESHOLD)
            hit.score -= ply;
        else if (hit.score < -MATE_THRESHOLD)
            hit.score += ply;
        return hit;
    }
    return hit;
}

void strong_tt_store(uint64_t key, int32_t ply, int32_t depth, int32_t score, uint8_t bound,
                     const Move& move, int32_t eval) {
    if (strong_table_buckets == nullptr) return;
    // 1. The entry to write: the position's own if the bucket holds it, else the one whose loss
    // costs least, an empty one first, then the shallowest counting age against depth.
    TableBucket& bucket = bucket_of(key);
    TableEntry* target = nullptr;
    uint64_t old = 0;
    bool same_position = false;
    int32_t least_value = INT32_MAX;
    for (TableEntry& entry : bucket.entries) {
        const uint64_t data = entry.data.load(std::memory_order_relaxed);
        if (!is_empty(data) && (entry.key_xor_data.load(std::memory_order_relaxed) ^ data) == key) {
            target = &entry;
            old = data;
            same_position = true;
            break;
        }
        const int32_t value =
            is_empty(data) ? INT32_MIN : depth_of(data) - AGE_WEIGHT * searches_ago(data);
        if (value < least_value) {
            least_value = value;
            target = &entry;
            old = data;
        }
    }

    // 2. The same position keeps a much deeper result of this search unless the new one is
    // exact, and its move when the new result has none.
    const int32_t stored_depth = std::clamp(depth, 0, 255);
    if (same_position && bound != BOUND_EXACT && searches_ago(old) == 0 &&
        stored_depth + DEPTH_MARGIN < depth_of(old))
        return;
    uint64_t move_bits = pack_move(move);
    if (same_position && move_bits == 0) move_bits = field(old, MOVE_SHIFT, 16);

    // 3. A mate score counts plies from the stored position in the table.
    if (score > MATE_THRESHOLD)
        score += ply;
    else if (score < -MATE_THRESHOLD)
        score -= ply;
    const uint64_t data = move_bits << MOVE_SHIFT | pack_score(score) << SCORE_SHIFT |
                          pack_eval(eval) << EVAL_SHIFT | uint64_t(stored_depth) << DEPTH_SHIFT |
                          uint64_t(bound - 1) << BOUND_SHIFT | uint64_t(current_age) << AGE_SHIFT;
    target->key_xor_data.store(key ^ data, std::memory_order_relaxed);
    target->data.store(data, std::memory_order_relaxed);
}
