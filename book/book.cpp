#include "book/book.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "board/attack.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "book/book_file.h"
#include "protocol/move_text.h"
#include "protocol/startup.h"

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

std::FILE* open_for_reading(const char* name) {
    return std::fopen(name, "rb");
}

[[noreturn]] void fail_on_entry_count(std::FILE* file) {
    std::fprintf(stderr, "Error reading number of book entries from book!\n");
    std::fclose(file);
    exit_engine(1);
}

} // namespace

unsigned (*book_seed_source)() = seconds_since_epoch;
std::FILE* (*book_file_opener)(const char* name) = open_for_reading;

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

uint16_t probe_book(std::FILE* file) {
    // Step 1. The count is in the last four bytes, read again at every probe. A count of 0
    // cannot come from a book writer, so the file is not a book.
    uint32_t entry_count = 0;
    long records_end = 0;
    if (!read_book_entry_count(file, entry_count, records_end)) fail_on_entry_count(file);
    // A count larger than the whole records before it (a damaged or cut-off book) would send
    // the search past the end of the file; only records that are really there are searched.
    const int64_t searched = std::min<int64_t>(entry_count, records_end / BOOK_RECORD_SIZE);

    // Step 2.
    std::rewind(file);

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
        if (!read_record(file, middle, record)) return 0;
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
        if (!read_record(file, i, record) || masked_key_of(record) != target) break;
        if (record.key == hash_key) return record.weight;
    }
    for (int64_t i = found + 1; i < searched; ++i) {
        if (!read_record(file, i, record) || masked_key_of(record) != target) break;
        if (record.key == hash_key) return record.weight;
    }
    // Step 6.
    return 0;
}

Move choose_book_move() {
    // Step 1. Deep into the game the book has nothing to say, and a missing book was
    // reported once already: the file is not touched.
    if (key_history_count > BOOK_PLY_LIMIT || !book_enabled) return NULL_MOVE;

    // Step 2.
    std::FILE* file = book_file_opener(book_file_name.c_str());
    if (file == nullptr) {
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
        weights[i] = play_move(list, i, undo) ? probe_book(file) : 0;
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
    std::fclose(file);

    // Step 10. The move must read back as a legal move of this position; NULL_MOVE does not.
    char text[MOVE_TEXT_SIZE];
    format_move(text, choice);
    Move parsed;
    return parse_user_move(text, parsed) ? choice : NULL_MOVE;
}
