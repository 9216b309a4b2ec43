// Book tests work in a fresh directory, because the engine opens its book by a relative name,
// and seed the random choice themselves instead of from the clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "book/book.h"
#include "book/book_file.h"
#include "support/board_helpers.h"
#include "support/engine_process.h"

namespace book_test {

inline unsigned next_seed_value = 1;
inline unsigned next_seed() {
    return next_seed_value++;
}

class BookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test_support::set_up();
        init_book_index_mask();
        book_enabled = 1;
        saved_seed_source_ = book_seed_source;
        book_seed_source = next_seed;
        next_seed_value = 1;
        char* cwd = getcwd(nullptr, 0);
        ASSERT_NE(cwd, nullptr);
        saved_directory_ = cwd;
        free(cwd);
        ASSERT_EQ(chdir(directory_.path().c_str()), 0);
    }
    void TearDown() override {
        book_seed_source = saved_seed_source_;
        EXPECT_EQ(chdir(saved_directory_.c_str()), 0);
    }

    void write_book_bytes(const std::string& bytes) const {
        directory_.write_file(BOOK_FILE_NAME, bytes);
    }
    // A well-formed book of the records, sorted as the reader needs them.
    void write_book(std::vector<BookRecord> records) const {
        sort_book_records(records);
        write_book_bytes(encode_book(records));
    }
    void remove_book() const { ::unlink(BOOK_FILE_NAME); }
    const std::string& directory() const { return directory_.path(); }

  private:
    test_support::TempDir directory_;
    std::string saved_directory_;
    unsigned (*saved_seed_source_)() = nullptr;
};

// The key of the position the moves lead to from the initial position; the position is set
// back to the initial one afterwards.
inline uint64_t key_after(const std::vector<std::string>& moves) {
    test_support::set_up();
    test_support::play_all(moves);
    const uint64_t key = hash_key;
    test_support::set_up();
    return key;
}

// The text of a choice, "none" for NULL_MOVE.
inline std::string choice_text(const Move& move) {
    return move.from == 0 ? "none" : test_support::text_of(move);
}

// The whole contents of a file, as bytes.
inline std::string file_contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A book file must be 12 bytes per record plus the count, the count must be right and non-zero,
// the records sorted by masked key and their unused bytes 0.
inline void expect_well_formed(const std::string& bytes) {
    ASSERT_GE(bytes.size(), static_cast<size_t>(BOOK_RECORD_SIZE + BOOK_COUNT_SIZE));
    ASSERT_EQ((bytes.size() - BOOK_COUNT_SIZE) % BOOK_RECORD_SIZE, 0u);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const uint32_t count = read_u32_le(data + bytes.size() - BOOK_COUNT_SIZE);
    ASSERT_EQ(count, (bytes.size() - BOOK_COUNT_SIZE) / BOOK_RECORD_SIZE);
    uint32_t previous_masked = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* record = data + i * BOOK_RECORD_SIZE;
        EXPECT_EQ(record[2] | record[3], 0) << "record " << i;
        EXPECT_NE(read_u16_le(record), 0) << "record " << i;
        const uint32_t masked = read_u32_le(record + 4) & BOOK_INDEX_MASK;
        EXPECT_LE(previous_masked, masked) << "record " << i;
        previous_masked = masked;
    }
}

} // namespace book_test
