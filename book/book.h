// The opening book: a read-only file of position keys and weights; a book move is one whose
// resulting position is in the file with a non-zero weight. The file is opened and closed at
// every choice and never loaded, so a book may be larger than the engine's memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "board/position.h"

// The records are sorted by the low bits of the key's low half. The number of bits is the
// smallest power of two n >= 2 for which n records of 12 bytes take more than 16 MiB, so the
// mask is 2^21 - 1.
constexpr uint32_t derive_book_index_mask() {
    constexpr uint64_t SIXTEEN_MIB = 16u * 1024u * 1024u;
    constexpr uint64_t RECORD_BYTES = 12;
    uint64_t records = 2;
    while (RECORD_BYTES * records <= SIXTEEN_MIB)
        records *= 2;
    return static_cast<uint32_t>(records - 1);
}
inline constexpr uint32_t BOOK_INDEX_MASK = derive_book_index_mask();
static_assert(BOOK_INDEX_MASK == (1u << 21) - 1);

// The book is left alone after this many half-moves of the game.
inline constexpr int32_t BOOK_PLY_LIMIT = 80;

extern uint8_t book_enabled; // cleared for the rest of the run once the file cannot be opened
extern uint32_t book_index_mask;
// The book file, in the working directory unless a front end names another ("Vantrek.book").
extern std::string book_file_name;

// Where the random choice gets its seed: the time in seconds. Tests replace it to make the
// choice repeatable; the engine never does.
extern unsigned (*book_seed_source)();

// A book held in memory instead of a file: when held_book_bytes gives bytes for the book's name,
// choose_book_move reads the book from them, exactly as from a file holding those bytes. The
// engines hold none (the default finds none) and always read the file; a test harness that
// tries thousands of books a second holds them, so that no file or stream stands in the way.
extern bool (*held_book_bytes)(const char* name, std::string_view& bytes);

void init_book_index_mask();

// A weighted random choice among the book moves of the current position, or NULL_MOVE.
Move choose_book_move();

// The weight the open book `file` stores for the current position (hash_key), 0 when the
// position is not in the book. A count of 0, or one that cannot be read, ends the engine.
uint16_t probe_book(std::FILE* file);
// The same for a book held in memory: the same answers as from a file of those bytes.
uint16_t probe_book(std::string_view bytes);

// The number of records the open book `file` names in its last four bytes, and where those
// bytes start; false when they cannot be read or the count is 0, the book probe_book ends on.
bool read_book_entry_count(std::FILE* file, uint32_t& entry_count, long& records_end);
bool read_book_entry_count(std::string_view bytes, uint32_t& entry_count, long& records_end);
