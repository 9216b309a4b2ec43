// The book file: 12-byte little-endian records of a weight and a position key, sorted by the
// low bits of the key, with the number of records in the last four bytes. There is no header
// and no version: a book is valid only for exactly this engine's key tables.
//
//   bytes 0-1   weight, unsigned; 0 counts as absent
//   bytes 2-3   unused, written as 0 and never read
//   bytes 4-7   low half of the position key
//   bytes 8-11  high half of the position key
//   ...
//   last 4      number of records, unsigned, never 0
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* BOOK_FILE_NAME = "Vantrek.book";
inline constexpr int BOOK_RECORD_SIZE = 12;
inline constexpr int BOOK_COUNT_SIZE = 4;

struct BookRecord {
    uint16_t weight;
    uint64_t key; // the key of the position reached by the book move
};

// Byte-by-byte little-endian conversions, so the file reads the same on any host.
inline uint16_t read_u16_le(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}
inline uint32_t read_u32_le(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}
inline void write_u16_le(uint8_t* bytes, uint16_t value) {
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}
inline void write_u32_le(uint8_t* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

void encode_book_record(const BookRecord& record, uint8_t* bytes);
BookRecord decode_book_record(const uint8_t* bytes);

// The order the reader's binary search relies on: ascending low key half under
// BOOK_INDEX_MASK; equal masked keys are ordered by the full key so a build is reproducible.
void sort_book_records(std::vector<BookRecord>& records);

// The bytes of a book holding `records` in the order given, followed by their count. Tests
// use it to lay out books by hand; write_book_file sorts first.
std::string encode_book(const std::vector<BookRecord>& records);

// Writes a well-formed book: the records sorted, their count at the end. The bytes go to a
// temporary file beside `path` that replaces `path` only once it is complete, so a failed
// write never leaves a damaged book behind. An empty book is refused, because the engine
// treats a count of 0 as fatal. On failure `error` says why and `path` is untouched.
bool write_book_file(const std::string& path, std::vector<BookRecord> records, std::string& error);
