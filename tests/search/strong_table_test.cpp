// The strong search's table: buckets that keep the deepest and youngest results, sizes as asked,
// what an entry holds, and entries that threads write at once without a lock.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/movegen.h"
#include "search/scores.h"
#include "search/strong/root.h"
#include "search/strong/search.h"
#include "search/strong/table.h"
#include "support/board_helpers.h"
#include "support/search_helpers.h"

namespace {

// `count` keys, `first` among them, that all fall into the bucket of `first`.
std::vector<uint64_t> keys_of_one_bucket(uint64_t first, int count) {
    std::vector<uint64_t> keys{first};
    for (uint64_t key = first + 1; static_cast<int>(keys.size()) < count; ++key)
        if (strong_table_bucket_of(key) == strong_table_bucket_of(first)) keys.push_back(key);
    return keys;
}

// Writes the entry of `key` in its bucket as a damaged one: random data that still matches the
// key (as a torn write or a memory fault could leave it), never marked empty.
void plant_random_entry(uint64_t key, std::mt19937_64& random) {
    auto* words = reinterpret_cast<uint64_t*>(strong_table_buckets) +
                  8 * strong_table_bucket_of(key) + 2 * (random() % 4);
    const uint64_t data = random() | uint64_t{1} << 58;
    const uint64_t key_word = key ^ data;
    std::memcpy(&words[0], &key_word, sizeof key_word);
    std::memcpy(&words[1], &data, sizeof data);
}

class StrongTable : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(strong_table_resize(1));
        strong_table_new_search();
    }
    void TearDown() override { ASSERT_TRUE(strong_table_resize(DEFAULT_STRONG_TABLE_MEGABYTES)); }
};

TEST_F(StrongTable, IsAsLargeAsAsked) {
    // Any number of megabytes, each of 16384 buckets of 64 bytes.
    for (const size_t megabytes : {1, 3, 5, 16, 100}) {
        ASSERT_TRUE(strong_table_resize(megabytes));
        EXPECT_EQ(strong_table_megabytes(), megabytes);
        EXPECT_EQ(strong_table_bucket_count, megabytes * 16384);
    }
    // Every bucket is reached: keys spread over all of them, the last included.
    ASSERT_TRUE(strong_table_resize(3));
    EXPECT_EQ(strong_table_bucket_of(0), 0u);
    EXPECT_EQ(strong_table_bucket_of(~uint64_t{0}), strong_table_bucket_count - 1);
    std::mt19937_64 random(5);
    std::vector<int> filled(4, 0);
    for (int i = 0; i < 4000; ++i)
        ++filled[strong_table_bucket_of(random()) * 4 / strong_table_bucket_count];
    for (const int quarter : filled) {
        EXPECT_GT(quarter, 800);
        EXPECT_LT(quarter, 1200);
    }
}

TEST_F(StrongTable, EntryKeepsWhatWasStored) {
    test_support::set_up();
    Move move;
    ASSERT_TRUE(parse_user_move("g1f3", move));
    const uint64_t key = hash_key;
    strong_tt_store(key, 3, 17, -1234, BOUND_LOWER, move, 321);
    TableHit hit = strong_tt_probe(key, 3);
    ASSERT_TRUE(hit.found);
    EXPECT_EQ(hit.depth, 17);
    EXPECT_EQ(hit.score, -1234);
    EXPECT_EQ(hit.bound, BOUND_LOWER);
    EXPECT_EQ(hit.eval, 321);
    EXPECT_TRUE(same_move(hit.move, move));
    // A promotion keeps its piece; a mate against the side to move, counted from the stored
    // position, comes back counted from the root of another search; no evaluation stays none.
    test_support::set_up("8/4P3/8/8/8/2k5/8/4K3 w - - 0 1");
    ASSERT_TRUE(parse_user_move("e7e8n", move));
    strong_tt_store(hash_key, 5, 2, 7 - MATE_SCORE, BOUND_UPPER, move, NO_EVAL);
    hit = strong_tt_probe(hash_key, 2);
    EXPECT_EQ(hit.score, 4 - MATE_SCORE);
    EXPECT_EQ(hit.eval, NO_EVAL);
    EXPECT_EQ(hit.move.promotion, WHITE_KNIGHT);
    // Scores too large for a position are held below the mates, and remain no mate; an
    // evaluation too large to keep is kept as none; the position's move stays.
    strong_tt_store(hash_key, 0, 2, 500000, BOUND_EXACT, NULL_MOVE, 100000);
    hit = strong_tt_probe(hash_key, 0);
    EXPECT_GT(hit.score, 100000);
    EXPECT_LT(hit.score, MATE_THRESHOLD);
    EXPECT_EQ(hit.eval, NO_EVAL);
    EXPECT_TRUE(same_move(hit.move, move));
}

TEST_F(StrongTable, SamePositionKeepsDeeperResultsAndItsMove) {
    test_support::set_up();
    Move move;
    ASSERT_TRUE(parse_user_move("e2e4", move));
    const uint64_t key = hash_key;
    strong_tt_store(key, 0, 12, 40, BOUND_LOWER, move, NO_EVAL);
    // Much shallower and not exact: the deeper result stays.
    strong_tt_store(key, 0, 5, -80, BOUND_UPPER, NULL_MOVE, NO_EVAL);
    EXPECT_EQ(strong_tt_probe(key, 0).depth, 12);
    // Exact replaces, and without a move of its own keeps the stored one.
    strong_tt_store(key, 0, 5, 10, BOUND_EXACT, NULL_MOVE, NO_EVAL);
    const TableHit hit = strong_tt_probe(key, 0);
    EXPECT_EQ(hit.depth, 5);
    EXPECT_EQ(hit.score, 10);
    EXPECT_TRUE(same_move(hit.move, move));
    // In a later search even a shallower bound replaces what an earlier one left.
    strong_tt_store(key, 0, 12, 40, BOUND_LOWER, move, NO_EVAL);
    strong_table_new_search();
    strong_tt_store(key, 0, 4, 30, BOUND_UPPER, NULL_MOVE, NO_EVAL);
    EXPECT_EQ(strong_tt_probe(key, 0).depth, 4);
}

TEST_F(StrongTable, BucketGivesUpItsShallowestAndOldestEntry) {
    const std::vector<uint64_t> keys = keys_of_one_bucket(0x123456789abcdefull, 6);
    // Four entries fill the bucket; a fifth position takes the shallowest one's place.
    const int32_t depths[4] = {10, 8, 3, 6};
    for (int i = 0; i < 4; ++i)
        strong_tt_store(keys[i], 0, depths[i], i, BOUND_EXACT, NULL_MOVE, NO_EVAL);
    strong_tt_store(keys[4], 0, 1, 4, BOUND_EXACT, NULL_MOVE, NO_EVAL);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(strong_tt_probe(keys[i], 0).found, i != 2) << i;

    // Two searches later the deepest entry counts as 10 - 2 * 8 plies: below the young
    // shallow one written now, it gives way first.
    strong_table_new_search();
    strong_table_new_search();
    for (int i : {1, 3, 4})
        strong_tt_store(keys[i], 0, depths[i == 4 ? 2 : i], i, BOUND_EXACT, NULL_MOVE, NO_EVAL);
    strong_tt_store(keys[5], 0, 2, 5, BOUND_EXACT, NULL_MOVE, NO_EVAL);
    EXPECT_FALSE(strong_tt_probe(keys[0], 0).found);
    for (int i : {1, 3, 4, 5})
        EXPECT_TRUE(strong_tt_probe(keys[i], 0).found) << i;
}

TEST_F(StrongTable, PermilleCountsTheCurrentSearchOnly) {
    EXPECT_EQ(strong_table_permille(), 0);
    // 1000 buckets of 4 entries are looked at: one entry in each of 500 buckets is 125 permille.
    for (uint64_t bucket = 0; bucket < 500; ++bucket) {
        // A megabyte's 16384 buckets each take 2^50 consecutive keys.
        const uint64_t key = bucket << 50 | 1;
        ASSERT_EQ(strong_table_bucket_of(key), bucket);
        strong_tt_store(key, 0, 1, 0, BOUND_EXACT, NULL_MOVE, NO_EVAL);
    }
    EXPECT_EQ(strong_table_permille(), 125);
    strong_table_new_search();
    EXPECT_EQ(strong_table_permille(), 0);
    strong_table_clear();
    EXPECT_FALSE(strong_tt_probe(1, 0).found);
}

// Threads writing and reading the same few buckets at once: every entry a reader finds is whole,
// its data the data written with its key, never half of one write and half of another.
TEST_F(StrongTable, EntriesWrittenAtOnceNeverMixTwoWrites) {
    const std::vector<uint64_t> keys = keys_of_one_bucket(0xfedcba9876543210ull, 8);
    // Each key's own score, depth and evaluation.
    auto score_of = [](uint64_t key) { return static_cast<int32_t>(key % 50000); };
    std::atomic<bool> done{false};
    std::atomic<int64_t> hits{0}, mixed{0};
    auto writer = [&](uint32_t seed) {
        std::mt19937 random(seed);
        for (int i = 0; i < 200000; ++i) {
            const uint64_t key = keys[random() % keys.size()];
            strong_tt_store(key, 0, static_cast<int32_t>(key % 200), score_of(key), BOUND_EXACT,
                            NULL_MOVE, score_of(key) / 2);
        }
    };
    auto reader = [&] {
        std::mt19937 random(99);
        while (!done.load()) {
            const uint64_t key = keys[random() % keys.size()];
            const TableHit hit = strong_tt_probe(key, 0);
            if (!hit.found) continue;
            ++hits;
            if (hit.score != score_of(key) || hit.eval != score_of(key) / 2 ||
                hit.depth != static_cast<int32_t>(key % 200))
                ++mixed;
        }
    };
    std::thread read(reader);
    std::thread first(writer, 1), second(writer, 2);
    first.join();
    second.join();
    done.store(true);
    read.join();
    EXPECT_GT(hits.load(), 0);
    EXPECT_EQ(mixed.load(), 0);
}

// A move the table holds for the position, whatever it is (one of another position with the
// same key, or the bits of a damaged entry), only orders the moves generated for the position:
// the search plays a legal move and leaves the position as it was.
TEST_F(StrongTable, MoveOfADamagedOrCollidingEntryIsNeverPlayed) {
    test_support::QuietSearch quiet(4);
    const char* const fens[] = {"4k3/8/8/8/8/8/8/R3K3 w Q - 0 1",
                                "r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 2"};
    for (const char* fen : fens) {
        test_support::set_up(fen);
        // A move of another position: the black king's, from a square where none stands.
        Move foreign;
        foreign.from = static_cast<uint8_t>(test_support::square_named("a8"));
        foreign.to = static_cast<uint8_t>(test_support::square_named("h1"));
        foreign.promotion = BLACK_QUEEN;
        strong_tt_store(hash_key, 1, 30, 0, BOUND_UPPER, foreign, NO_EVAL);
        const std::string best = test_support::strong_best_move_here();
        Move parsed;
        EXPECT_TRUE(parse_user_move(best.c_str(), parsed)) << fen << " " << best;
        // Any bits as the data of the position's entry, and of each of its children's: the
        // move, the score, the evaluation and the bound of every one of them are nonsense.
        std::mt19937_64 random(11);
        for (int trial = 0; trial < 10; ++trial) {
            const uint64_t before = hash_key;
            plant_random_entry(hash_key, random);
            Move list[MAX_MOVES];
            int32_t count = 0;
            generate_moves(list, count);
            for (int32_t i = 0; i < count; ++i) {
                MoveUndo undo;
                if (play_move(list, i, undo)) plant_random_entry(hash_key, random);
                take_back_move(list, i, undo);
            }
            const std::string move = test_support::strong_best_move_here();
            EXPECT_TRUE(parse_user_move(move.c_str(), parsed)) << fen << " " << move;
            EXPECT_EQ(hash_key, before);
        }
    }
}

} // namespace
