// Choosing a book move and probing the book file, with books written by the tests from the
// engine's own keys.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string_view>

#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/movegen.h"
#include "book_test_support.h"

namespace {

using book_test::BookTest;
using book_test::choice_text;
using book_test::key_after;

// The weight probe_book reports for a position whose key is `key`.
uint16_t probe_key(uint64_t key) {
    hash_key = key;
    std::FILE* file = std::fopen(BOOK_FILE_NAME, "rb");
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return 0;
    const uint16_t weight = probe_book(file);
    std::fclose(file);
    return weight;
}

// A key whose low half has `masked` in the bits the book sorts by; different variants give
// different full keys with the same masked part.
uint64_t synthetic_key(uint32_t masked, uint32_t variant) {
    const uint64_t high = 0x9E3779B9u * (variant + 1);
    const uint32_t low = ((variant + 1) << 21) | masked;
    return (high << 32) | low;
}

// The key after a move that is generated here but may be illegal; the position is restored.
uint64_t key_after_pseudo_move(const std::string& text) {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    for (int i = 0; i < count; ++i) {
        if (test_support::text_of(list[i]) != text) continue;
        MoveUndo undo;
        play_move(list, i, undo);
        const uint64_t key = hash_key;
        take_back_move(list, i, undo);
        return key;
    }
    ADD_FAILURE() << text << " is not generated";
    return 0;
}

TEST_F(BookTest, ChoosesAmongWeightedLegalBookMovesAndLeavesThePositionAlone) {
    write_book({{10, key_after({"e2e4"})}, {20, key_after({"d2d4"})}, {0, key_after({"g1f3"})}});
    const uint64_t key = hash_key;
    std::map<std::string, int> chosen;
    for (int i = 0; i < 200; ++i) {
        ++chosen[choice_text(choose_book_move())];
        ASSERT_EQ(hash_key, key);
        ASSERT_EQ(ep_square, 0);
        ASSERT_EQ(key_history_count, 0);
        ASSERT_EQ(side_to_move, 1);
    }
    // Weight 0 is never chosen, and a move outside the book never either.
    EXPECT_EQ(chosen.size(), 2u);
    // Each of the two draws up to 34 on top of its weight, so the lighter one wins sometimes.
    EXPECT_GT(chosen["e2e4"], 0);
    EXPECT_GT(chosen["d2d4"], chosen["e2e4"]);

    write_book({{0, key_after({"e2e4"})}, {0, key_after({"d2d4"})}});
    EXPECT_EQ(choice_text(choose_book_move()), "none");
}

TEST_F(BookTest, DrawsOncePerBookMoveInGenerationOrderAndTheEarliestWinsATie) {
    // Two equal weights get rand() % 25 each, drawn in generation order; g1f3, generated
    // before both, has weight 0 and must not consume a draw.
    write_book({{10, key_after({"e2e4"})}, {10, key_after({"d2d4"})}, {0, key_after({"g1f3"})}});
    const auto order = test_support::generated_moves();
    const auto position = [&](const char* text) {
        return std::find(order.begin(), order.end(), text) - order.begin();
    };
    ASSERT_LT(position("g1f3"), position("d2d4"));
    ASSERT_LT(position("d2d4"), position("e2e4"));
    int ties = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::srand(seed);
        const int d4_draw = std::rand() % 25;
        const int e4_draw = std::rand() % 25;
        if (d4_draw == e4_draw) ++ties;
        book_test::next_seed_value = seed;
        EXPECT_EQ(choice_text(choose_book_move()), e4_draw > d4_draw ? "e2e4" : "d2d4")
            << "seed " << seed;
    }
    EXPECT_GT(ties, 0) << "no seed gave a tie";
}

TEST_F(BookTest, BlackRepliesPromotionsAndIllegalMovesOfThePositionsInTheBook) {
    // Black's reply to e2e4; the position after e2e4 itself is not a move of black's.
    write_book({{9, key_after({"e2e4"})},
                {5, key_after({"e2e4", "e7e5"})},
                {0, key_after({"e2e4", "c7c5"})}});
    test_support::play("e2e4");
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(choice_text(choose_book_move()), "e7e5");

    // The chosen promotion is the one the book holds, not the first one generated.
    test_support::set_up("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    const uint64_t under_promotion = key_after_pseudo_move("a7a8n");
    const uint64_t queen_promotion = key_after_pseudo_move("a7a8q");
    write_book({{5, under_promotion}, {0, queen_promotion}});
    const Move promotion = choose_book_move();
    EXPECT_EQ(choice_text(promotion), "a7a8n");
    EXPECT_EQ(promotion.promotion, WHITE_KNIGHT);

    // A pinned knight's move is generated, and its position is in the book, but it is not
    // legal: the king's step is chosen.
    test_support::set_up("4k3/8/8/8/1b6/8/3N4/4K3 w - - 0 1");
    const uint64_t pinned_knight_move = key_after_pseudo_move("d2f3");
    const uint64_t king_step = key_after_pseudo_move("e1f1");
    write_book({{60000, pinned_knight_move}, {1, king_step}});
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(choice_text(choose_book_move()), "e1f1");
}

TEST_F(BookTest, FindsEveryRecordOfARunOfEqualMaskedKeysWhereverTheRunStands) {
    // A run of four records sharing one masked key, with 0 to 6 other records before and
    // after it: the run is the first, a middle or the last part of the file, and the
    // position is each record of the run in turn.
    constexpr uint32_t RUN = 1000;
    for (int before = 0; before <= 6; ++before) {
        for (int after = 0; after <= 6; ++after) {
            std::vector<BookRecord> records;
            for (int i = 0; i < before; ++i)
                records.push_back({1, synthetic_key(10 + 10 * i, 0)});
            for (uint32_t variant = 0; variant < 4; ++variant)
                records.push_back(
                    {static_cast<uint16_t>(100 + variant), synthetic_key(RUN, variant)});
            for (int i = 0; i < after; ++i)
                records.push_back({2, synthetic_key(2000 + 10 * i, 0)});
            write_book(records);
            SCOPED_TRACE(testing::Message() << before << " before, " << after << " after");

            for (uint32_t variant = 0; variant < 4; ++variant)
                EXPECT_EQ(probe_key(synthetic_key(RUN, variant)), 100 + variant);
            for (int i = 0; i < before; ++i)
                EXPECT_EQ(probe_key(synthetic_key(10 + 10 * i, 0)), 1);
            for (int i = 0; i < after; ++i)
                EXPECT_EQ(probe_key(synthetic_key(2000 + 10 * i, 0)), 2);
            // The masked key matches, the full key does not.
            EXPECT_EQ(probe_key(synthetic_key(RUN, 9)), 0);
            // Below the first record, above the last, and between two records.
            EXPECT_EQ(probe_key(synthetic_key(0, 0)), 0);
            EXPECT_EQ(probe_key(synthetic_key(BOOK_INDEX_MASK, 0)), 0);
            EXPECT_EQ(probe_key(synthetic_key(1500, 0)), 0);
        }
    }
}

TEST_F(BookTest, LeavesTheBookAfterEightyHalfMovesWithoutOpeningIt) {
    write_book({{3, key_after({"g1f3"})}, {4, key_after({"g1f3", "g8f6"})}});
    // Knights out and back twenty times: the initial position again, 80 half-moves later.
    for (int cycle = 0; cycle < 20; ++cycle)
        test_support::play_all({"g1f3", "g8f6", "f3g1", "f6g8"});
    ASSERT_EQ(key_history_count, 80);
    EXPECT_EQ(choice_text(choose_book_move()), "g1f3");
    test_support::play("g1f3");
    ASSERT_EQ(key_history_count, 81);
    EXPECT_EQ(choice_text(choose_book_move()), "none");
    // Not even opened: a missing file goes unreported and the book stays enabled.
    remove_book();
    testing::internal::CaptureStderr();
    EXPECT_EQ(choice_text(choose_book_move()), "none");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(book_enabled, 1);

    // The same position early in a game has its book reply.
    write_book({{3, key_after({"g1f3"})}, {4, key_after({"g1f3", "g8f6"})}});
    test_support::play("g1f3");
    EXPECT_EQ(choice_text(choose_book_move()), "g8f6");
}

TEST_F(BookTest, ReportsAMissingBookOnceAndDoesNotTryAgain) {
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(choice_text(choose_book_move()), "none");
    // A book that appears later, even in a new game, is not looked at in this run.
    write_book({{5, key_after({"e2e4"})}});
    new_game();
    EXPECT_EQ(choice_text(choose_book_move()), "none");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Unable to open book file Vantrek.book!\nProceeding without my book...\n");
    EXPECT_EQ(book_enabled, 0);
}

TEST_F(BookTest, ACountBeyondTheRecordsPresentReadsOnlyWhatIsThere) {
    std::vector<BookRecord> records;
    for (uint32_t i = 0; i < 5; ++i)
        records.push_back({static_cast<uint16_t>(7 + i), synthetic_key(100 * (i + 1), i)});
    std::string bytes = encode_book(records);
    for (uint32_t claimed : {6u, 50u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(claimed);
        write_u32_le(reinterpret_cast<uint8_t*>(bytes.data()) + bytes.size() - BOOK_COUNT_SIZE,
                     claimed);
        write_book_bytes(bytes);
        for (uint32_t i = 0; i < 5; ++i)
            EXPECT_EQ(probe_key(synthetic_key(100 * (i + 1), i)), 7 + i);
        // Targets that would lie among the missing records, and below all of them.
        EXPECT_EQ(probe_key(synthetic_key(600, 0)), 0);
        EXPECT_EQ(probe_key(synthetic_key(BOOK_INDEX_MASK, 3)), 0);
        EXPECT_EQ(probe_key(synthetic_key(0, 0)), 0);
    }
}

TEST_F(BookTest, ACutOffBookGivesTheTrueWeightOrNothing) {
    // Keys and weights without zero bytes, so no four bytes of the file read as a count of 0.
    std::vector<BookRecord> records;
    for (uint64_t i = 1; i <= 6; ++i)
        records.push_back({static_cast<uint16_t>(0x0101 * i), 0x1111111111111111ull * i});
    sort_book_records(records);
    const std::string bytes = encode_book(records);
    for (size_t length = BOOK_COUNT_SIZE; length <= bytes.size(); ++length) {
        SCOPED_TRACE(length);
        const std::string cut = bytes.substr(0, length);
        ASSERT_NE(read_u32_le(reinterpret_cast<const uint8_t*>(cut.data()) + length - 4), 0u);
        write_book_bytes(cut);
        for (size_t i = 0; i < records.size(); ++i) {
            const uint16_t weight = probe_key(records[i].key);
            const bool whole_record_before_count =
                (i + 1) * BOOK_RECORD_SIZE <= length - BOOK_COUNT_SIZE;
            if (length == bytes.size())
                EXPECT_EQ(weight, records[i].weight);
            else if (whole_record_before_count)
                EXPECT_TRUE(weight == records[i].weight || weight == 0) << weight;
            else
                EXPECT_EQ(weight, 0);
        }
    }
}

// The bytes held in memory for every book name, while a test holds them.
std::string held_bytes;
bool hold_for_every_name(const char*, std::string_view& bytes) {
    bytes = held_bytes;
    return true;
}

// The weight probe_book reports from `bytes` held in memory, for a position of key `key`.
uint16_t probe_key_in_memory(const std::string& bytes, uint64_t key) {
    hash_key = key;
    return probe_book(std::string_view(bytes));
}

TEST_F(BookTest, ABookHeldInMemoryAnswersAsTheSameBytesInAFile) {
    // Whole books with runs of equal masked keys, books cut off anywhere, and counts beyond the
    // records present: every probe from memory gives what the same bytes give from the file.
    std::vector<BookRecord> records;
    for (uint32_t i = 0; i < 9; ++i)
        records.push_back(
            {static_cast<uint16_t>(0x0101 * (i + 1)), synthetic_key(i < 4 ? 500 : 100 * i, i)});
    sort_book_records(records);
    const std::string whole = encode_book(records);
    std::vector<std::string> books;
    for (size_t length = BOOK_COUNT_SIZE; length <= whole.size(); ++length)
        books.push_back(whole.substr(0, length));
    std::string overcounted = whole;
    write_u32_le(reinterpret_cast<uint8_t*>(overcounted.data()) + overcounted.size() - 4, 1000);
    books.push_back(overcounted);
    int found = 0;
    for (const std::string& bytes : books) {
        ASSERT_NE(read_u32_le(reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size() - 4),
                  0u);
        write_book_bytes(bytes);
        for (const BookRecord& record : records) {
            SCOPED_TRACE(testing::Message() << bytes.size() << " bytes, key " << record.key);
            const uint16_t from_file = probe_key(record.key);
            EXPECT_EQ(probe_key_in_memory(bytes, record.key), from_file);
            found += from_file != 0;
        }
        const uint64_t absent = synthetic_key(500, 7);
        EXPECT_EQ(probe_key_in_memory(bytes, absent), probe_key(absent));
    }
    EXPECT_GE(found, static_cast<int>(records.size())); // the whole book, at least, was read

    // The choice reads a held book from memory: with no file at all, the held bytes are the
    // book.
    remove_book();
    std::vector<BookRecord> book = {{9, key_after({"e2e4"})}, {5, key_after({"e2e4", "e7e5"})}};
    sort_book_records(book);
    held_bytes = encode_book(book);
    bool (*const saved)(const char*, std::string_view&) = held_book_bytes;
    held_book_bytes = hold_for_every_name;
    test_support::set_up(); // the probes above set the key by hand
    test_support::play("e2e4");
    const std::string choice = choice_text(choose_book_move());
    held_book_bytes = saved;
    EXPECT_EQ(choice, "e7e5");
    EXPECT_EQ(book_enabled, 1);
}

using BookDeathTest = BookTest;

TEST_F(BookDeathTest, ACountOfZeroOrNoCountAtAllEndsTheEngine) {
    const char* const message = "^Error reading number of book entries from book!\n$";
    write_book_bytes(std::string(4, '\0'));
    EXPECT_EXIT(choose_book_move(), testing::ExitedWithCode(1), message);
    // Records present but the count says 0.
    std::string bytes = encode_book({{5, key_after({"e2e4"})}});
    bytes.replace(bytes.size() - 4, 4, std::string(4, '\0'));
    write_book_bytes(bytes);
    EXPECT_EXIT(choose_book_move(), testing::ExitedWithCode(1), message);
    // Too short to hold a count.
    write_book_bytes(std::string("\x01\x00", 2));
    EXPECT_EXIT(choose_book_move(), testing::ExitedWithCode(1), message);
    // The same from memory.
    for (const std::string& bytes : {std::string(), std::string(4, '\0'), std::string("\x01", 1)})
        EXPECT_EXIT(probe_key_in_memory(bytes, 1), testing::ExitedWithCode(1), message);
}

} // namespace
