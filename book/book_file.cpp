#include "book/book_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "board/game.h"
#include "board/position.h"
#include "book/book.h"
#include "platform/platform.h"

void encode_book_record(const BookRecord& record, uint8_t* bytes) {
    write_u16_le(bytes, record.weight);
    write_u16_le(bytes + 2, 0);
    write_u32_le(bytes + 4, key_low(record.key));
    write_u32_le(bytes + 8, key_high(record.key));
}

BookRecord decode_book_record(const uint8_t* bytes) {
    const uint64_t low = read_u32_le(bytes + 4);
    const uint64_t high = read_u32_le(bytes + 8);
    return BookRecord{read_u16_le(bytes), low | (high << 32)};
}

void sort_book_records(std::vector<BookRecord>& records) {
    std::sort(records.begin(), records.end(), [](const BookRecord& a, const BookRecord& b) {
        const uint32_t masked_a = key_low(a.key) & BOOK_INDEX_MASK;
        const uint32_t masked_b = key_low(b.key) & BOOK_INDEX_MASK;
        if (masked_a != masked_b) return masked_a < masked_b;
        return a.key < b.key;
    });
}

std::string encode_book(const std::vector<BookRecord>& records) {
    std::string bytes(records.size() * BOOK_RECORD_SIZE + BOOK_COUNT_SIZE, '\0');
    auto* out = reinterpret_cast<uint8_t*>(bytes.data());
    for (const BookRecord& record : records) {
        encode_book_record(record, out);
        out += BOOK_RECORD_SIZE;
    }
    write_u32_le(out, static_cast<uint32_t>(records.size()));
    return bytes;
}

bool write_book_file(const std::string& path, std::vector<BookRecord> records, std::string& error) {
    if (records.empty()) {
        error = "no positions to write; a book without entries would stop the engine";
        return false;
    }
    if (records.size() > UINT32_MAX) {
        error = "too many positions for the book's 32-bit count";
        return false;
    }
    sort_book_records(records);
    const std::string bytes = encode_book(records);

    // The process id keeps two builders writing beside the same book apart.
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int write_errno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = "cannot write " + temporary + ": " + std::strerror(written ? errno : write_errno);
        std::remove(temporary.c_str());
        return false;
    }
    if (const std::error_code failure = replace_file(temporary, path)) {
        error = "cannot replace " + path + ": " + failure.message();
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
