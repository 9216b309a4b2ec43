// Fuzz target: the book reader. The input is the bytes of a book file, which the engine reads
// from memory (held_book_bytes); it chooses its book move from them in several positions, and
// they are probed directly, from memory and through a stream as from a file. What must hold:
// - a file whose entry count cannot be read, or is 0, ends the engine with status 1 (that is
//   the xboard engine's design, caught here through exit_engine); any other file never ends it;
// - a book move is a legal move, and the position it leads to is stored in the file, within the
//   records the count names, with a weight that is not 0: the reader never invents a move;
// - a probe answers 0 or the weight of a record holding the position's key, and when the
//   records are sorted as a book must be, it finds a record holding the key whenever there
//   is one;
// - the probe from memory and the probe through the stream find the same weight;
// - neither the choice nor the probe changes the position.
#include <algorithm>
#include <cstdio>
#include <string_view>

#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "book/book.h"
#include "book/book_file.h"
#include "fuzz_support.h"

namespace {

// The book as the reader must understand it.
struct ReferenceBook {
    bool count_readable = false;
    std::vector<BookRecord> records; // the ones the count names and the file holds
    bool sorted = true;

    explicit ReferenceBook(const uint8_t* data, size_t size) {
        if (size < BOOK_COUNT_SIZE) return;
        const uint32_t count = read_u32_le(data + size - BOOK_COUNT_SIZE);
        if (count == 0) return;
        count_readable = true;
        const size_t present = (size - BOOK_COUNT_SIZE) / BOOK_RECORD_SIZE;
        for (size_t i = 0; i < std::min<size_t>(count, present); ++i)
            records.push_back(decode_book_record(data + i * BOOK_RECORD_SIZE));
        for (size_t i = 1; i < records.size(); ++i)
            if ((key_low(records[i - 1].key) & BOOK_INDEX_MASK) >
                (key_low(records[i].key) & BOOK_INDEX_MASK))
                sorted = false;
    }

    bool holds(uint64_t key, uint16_t weight) const {
        return std::any_of(records.begin(), records.end(),
                           [&](const BookRecord& r) { return r.key == key && r.weight == weight; });
    }
    bool holds_weighted(uint64_t key) const {
        return std::any_of(records.begin(), records.end(),
                           [&](const BookRecord& r) { return r.key == key && r.weight != 0; });
    }
    bool holds_key(uint64_t key) const {
        return std::any_of(records.begin(), records.end(),
                           [&](const BookRecord& r) { return r.key == key; });
    }
};

// Positions from which to ask the book: the start and a few openings (the seed books hold the
// positions after their moves), and a sample with an en-passant square.
const std::vector<std::vector<std::string>> OPENINGS = {
    {}, {"e2e4"}, {"e2e4", "e7e5"}, {"d2d4", "d7d5", "c2c4"}};

void play_opening(const std::vector<std::string>& moves) {
    fuzz::reset_engine();
    for (const std::string& text : moves) {
        Move move;
        FUZZ_CHECK(parse_user_move(text.c_str(), move), text);
        make_move(&move, 0);
        rebuild_piece_list();
    }
}

// Asks the book in the current position; false when the engine ended.
bool ask_book(const ReferenceBook& reference, const std::string& path, const std::string& where) {
    const std::string context = "book asked " + where;
    const std::vector<std::string> legal = fuzz::legal_move_texts();
    const fuzz::PositionSnapshot before = fuzz::snapshot();
    book_enabled = 1;
    Move choice;
    try {
        choice = choose_book_move();
    } catch (const fuzz::EngineExit& exit) {
        FUZZ_CHECK(!reference.count_readable && exit.status == 1, context);
        return false;
    }
    FUZZ_CHECK(reference.count_readable || legal.empty(), context + ": a bad count went by");
    FUZZ_CHECK(fuzz::snapshot() == before, context + ": the position changed");
    if (choice.from != 0) {
        char text[MOVE_TEXT_SIZE];
        format_move(text, choice);
        FUZZ_CHECK(fuzz::contains(legal, text), context + ": " + text);
        MoveUndo undo;
        play_move(&choice, 0, undo);
        const uint64_t key_after = hash_key;
        take_back_move(&choice, 0, undo);
        FUZZ_CHECK(reference.holds_weighted(key_after),
                   context + ": " + text + " is not in the book");
    }

    // The probe itself, from the bytes in memory and from a stream over them as from a file:
    // the two find the same.
    std::string_view bytes;
    FUZZ_CHECK(held_book_bytes(path.c_str(), bytes), path);
    const uint16_t weight = probe_book(bytes);
    std::FILE* file = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
    FUZZ_CHECK(file != nullptr, path);
    const uint16_t weight_from_stream = probe_book(file);
    std::fclose(file);
    FUZZ_CHECK(weight_from_stream == weight, context + ": the stream found another weight");
    FUZZ_CHECK(fuzz::snapshot() == before, context + ": the probe changed the position");
    if (weight != 0) FUZZ_CHECK(reference.holds(hash_key, weight), context);
    if (reference.sorted && reference.holds_key(hash_key))
        FUZZ_CHECK(reference.holds(hash_key, weight), context + ": the probe missed the key");
    if (!reference.holds_key(hash_key)) FUZZ_CHECK(weight == 0, context);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::set_up_engine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The book is read from memory, as a stream over the input's bytes: the reader seeks and
    // reads it as it would the file, without a file written and read back for every input.
    const std::string path = fuzz::scratch_directory() + "/Vantrek.book";
    fuzz::hold_book_in_memory(path, data, size);
    book_file_name = path;
    const ReferenceBook reference(data, size);
    for (const auto& opening : OPENINGS) {
        play_opening(opening);
        std::string where = "after";
        for (const std::string& move : opening)
            where += " " + move;
        if (!ask_book(reference, path, where)) return 0;
    }
    // En passant, from the samples.
    for (int sample : {3}) {
        const std::string& fen = fuzz::sample_positions()[sample];
        fuzz::reset_engine();
        fuzz::set_up_position(fen);
        if (!ask_book(reference, path, "in " + fen)) return 0;
    }
    return 0;
}
