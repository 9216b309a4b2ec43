#include "book/book.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "base/engine_state.h"
#include "board/attack.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/movegen.h"
#include "book/book_file.h"

uint8_t book_enabled = 1;
std::string book_file_name = BOOK_FILE_NAME;
uint32_t book_index_mask = 0;

namespace {

unsigned seconds_since_epoch() {
    return static_cast<unsigned>(std::time(nullptr));
}

// Reads record `index`; false when the file does not hold all 12 of its bytes, in which case
// `record` is left as it was and the record counts as absent.
bool read_record(std::FILE* file, int64_t index, BookRecord& record) {
    if (std::fseek(file, static_cast<long>(index * BOOK_RECORD_SIZE), SEEK_SET) != 0) return false;
    uint8_t bytes[BOOK_RECORD_SIZE];
    if (std::fread(bytes, 1, BOOK_RECORD_SIZE, file) != BOOK_RECORD_SIZE) return false;
    record = decode_book_record(bytes);
    return true;
}

bool no_held_book(const char*, std::string_view&) {
    return false;
}

// Ends the engine on a book without a readable count; an open file is closed first.
[[noreturn]] void fail_on_entry_count(std::FILE* file) {
    std::fprintf(stderr, "Error reading number of book entries from book!\n");
    if (file != nullptr) std::fclose(file);
    exit_engine(1);
}

// The two ways to a book's bytes, an open file and bytes held in memory; the probe reads both
// alike, and each answers as the other would for the same bytes.
struct FileBook {
    std::FILE* file;
    bool entry_count(uint32_t& count, long& records_end) const {
        return read_book_entry_count(file, count, records_end);
    }
    void rewind() const { std::rewind(file); }
    bool record(int64_t index, BookRecord& record) const {
        return read_record(file, index, record);
    }
    [[noreturn]] void fail() const { fail_on_entry_count(file); }
};

struct HeldBook {
    std::string_view bytes;
    bool entry_count(uint32_t& count, long& records_end) const {
        return read_book_entry_count(bytes, count, records_end);
    }
    void rewind() const {}
    // As from a file: the record's 12 bytes, when the bytes hold all of them.
    bool record(int64_t index, BookRecord& record) const {
        const auto start = static_cast<uint64_t>(index) * BOOK_RECORD_SIZE;
        if (index < 0 || start + BOOK_RECORD_SIZE > bytes.size()) return false;
        record = decode_book_record(reinterpret_cast<const uint8_t*>(bytes.data()) + start);
        return true;
    }
    [[noreturn]] void fail() const { fail_on_entry_count(nullptr); }
};

template <typename Book> uint16_t probe(const Book& book) {
    // Step 1. The count is in the last four bytes, read again at every probe. A count of 0
    // cannot come from a book writer, so the file is not a book.
    uint32_t entry_count = 0;
    long records_end = 0;
    if (!book.entry_count(entry_count, records_end)) book.fail();
    // A count larger than the whole records before it (a damaged or cut-off book) would send
    // the search past the end of the file; only records that are really there are searched.
    const int64_t searched = std::min<int64_t>(entry_count, records_end / BOOK_RECORD_SIZE);

    // Step 2.
    book.rewind();

    // Step 3. Binary search by masked key. Bounds are 64-bit, so neither the middle of two
    // large indices nor an upper bound below record 0 can overflow.
    const uint32_t target = key_low(hash_key) & book_index_mask;
    auto masked_key_of = [](const BookRecord& r) { return key_low(r.key) & book_index_mask; };
    int64_t lower = 0;
    int64_t upper = searched - 1;
    int64_t found = -1;
    BookRecord record{};
    while (lower <= upper) {
        const int64_t middle = (lower + upper) / 2;
        if (!book.record(middle, record)) return 0;
        const uint32_t masked = masked_key_of(record);
        if (masked == target) {
            found = middle;
            break;
        }
        if (target < masked)
            upper = middle - 1;
        else
            lower = middle + 1;
    }
    if (found < 0) return 0;

    // Step 4. Usually the record found is the position itself.
    if (record.key == hash_key) return record.weight;

    // Step 5. Otherwise the position may be elsewhere in the run of records sharing its
    // masked key: first the part of the run before the record found, then the part after.
    for (int64_t i = found - 1; i >= 0; --i) {
        if (!book.record(i, record) || masked_key_of(record) != target) break;
        if (record.key == hash_key) return record.weight;
    }
    for (int64_t i = found + 1; i < searched; ++i) {
        if (!book.record(i, record) || masked_key_of(record) != target) break;
        if (record.key == hash_key) return record.weight;
    }
    // Step 6.
    return 0;
}

} // namespace

unsigned (*book_seed_source)() = seconds_since_epoch;
bool (*held_book_bytes)(const char* name, std::string_view& bytes) = no_held_book;

void init_book_index_mask() {
    book_index_mask = BOOK_INDEX_MASK;
}

bool read_book_entry_count(std::FILE* file, uint32_t& entry_count, long& records_end) {
    if (std::fseek(file, -BOOK_COUNT_SIZE, SEEK_END) != 0) return false;
    records_end = std::ftell(file);
    uint8_t count_bytes[BOOK_COUNT_SIZE];
    if (records_end < 0 || std::fread(count_bytes, 1, BOOK_COUNT_SIZE, file) != BOOK_COUNT_SIZE)
        return false;
    entry_count = read_u32_le(count_bytes);
    return entry_count != 0;
}

bool read_book_entry_count(std::string_view bytes, uint32_t& entry_count, long& records_end) {
    if (bytes.size() < BOOK_COUNT_SIZE) return false;
    records_end = static_cast<long>(bytes.size() - BOOK_COUNT_SIZE);
    entry_count = read_u32_le(reinterpret_cast<const uint8_t*>(bytes.data()) + records_end);
    return entry_count != 0;
}

uint16_t probe_book(std::FILE* file) {
    return probe(FileBook{file});
}

uint16_t probe_book(std::string_view bytes) {
    return probe(HeldBook{bytes});
}

Move choose_book_move() {
    // Step 1. Deep into the game the book has nothing to say, and a missing book was
    // reported once already: the file is not touched.
    if (key_history_count > BOOK_PLY_LIMIT || !book_enabled) return NULL_MOVE;

    // Step 2.
    std::string_view held;
    const bool in_memory = held_book_bytes(book_file_name.c_str(), held);
    std::FILE* file = in_memory ? nullptr : std::fopen(book_file_name.c_str(), "rb");
    if (!in_memory && file == nullptr) {
        std::fprintf(stderr, "Unable to open book file %s!\n", book_file_name.c_str());
        std::fprintf(stderr, "Proceeding without my book...\n");
        book_enabled = 0;
        return NULL_MOVE;
    }

    // Steps 3-4. play_move keeps the key and en-passant square for each trial below; the
    // choice's seed.
    std::srand(book_seed_source());

    // Step 5. Every legal move's weight is the book's weight of the position it leads to.
    Move list[MAX_MOVES];
    uint32_t weights[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    for (int i = 0; i < count; ++i) {
        MoveUndo undo;
        if (play_move(list, i, undo))
            weights[i] = in_memory ? probe_book(held) : probe_book(file);
        else
            weights[i] = 0;
        take_back_move(list, i, undo);
    }

    // Step 6.
    uint32_t max_weight = 0;
    for (int i = 0; i < count; ++i)
        max_weight = std::max(max_weight, weights[i]);

    // Step 7. A random bonus of up to max + 14 lets lighter moves win now and then; a move
    // of weight 0 gets none and can never be chosen.
    for (int i = 0; i < count; ++i)
        if (weights[i] != 0) weights[i] += static_cast<uint32_t>(std::rand()) % (max_weight + 15);

    // Step 8. The heaviest wins; among equals the earliest generated.
    Move choice = NULL_MOVE;
    uint32_t best_weight = 0;
    for (int i = 0; i < count; ++i) {
        if (weights[i] > best_weight) {
            best_weight = weights[i];
            choice = list[i];
        }
    }

    // Step 9.
    if (file != nullptr) std::fclose(file);

    // Step 10. The move must read back as a legal move of this position; NULL_MOVE does not.
    char text[MOVE_TEXT_SIZE];
    format_move(text, choice);
    Move parsed;
    return parse_user_move(text, parsed) ? choice : NULL_MOVE;
}
