// What the fuzz targets share: the check that fails a run, the engine set up once and put back
// into a fresh game before every input, what the engine prints caught in memory, and the
// engine's one way out (exit_engine) turned into an exception that ends the input, not the
// process.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "board/game.h"

// Fails the run: prints what did not hold and aborts, which libFuzzer reports as a crash with
// the input that caused it, and which fails the replay test.
#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition)) ::fuzz::fail(__FILE__, __LINE__, #condition, (detail));                  \
    } while (false)

namespace fuzz {

[[noreturn]] void fail(const char* file, int line, const char* condition,
                       const std::string& detail);

// Thrown by the exit hook: the engine called exit_engine(status).
struct EngineExit {
    int status;
};

// Once per process, before the engine starts: its standard output caught in memory (see
// take_output), exit_engine throwing EngineExit, and the book's random choice seeded with a
// fixed number, so that an input always plays the same.
void set_up_harness();

// Once per process: the harness, then the engine as the xboard start-up brings it up (keys, a
// small transposition table, a new game, the book mask, the shipped weights), thinking output
// off. Every sample position is checked to be good.
void set_up_engine();

// Before every input: a new game, the clocks and search state as at start-up, and the xboard
// loop's modes as "new" leaves them.
void reset_engine();

// Before every input that searches: the transposition table of the targets' size, empty, as at
// start-up, so that the same input always searches the same tree.
void clear_transposition_table();

// Everything the engine printed on its standard output since the last call.
std::string take_output();

// The lines of `text` (split at line feeds; a last line without one counts).
std::vector<std::string> split_lines(const std::string& text);

// The texts of the legal moves of the current position, found by trying every generated move;
// fails the run unless trying and taking back each leaves the position exactly as it was.
std::vector<std::string> legal_move_texts();
bool contains(const std::vector<std::string>& texts, const std::string& text);
// Whether `text` is among legal_move_texts(), found by trying only the generated moves of that
// text (with the same check that trying them changes nothing).
bool is_legal_move_text(const std::string& text);

// Whether the position's redundant records agree (board/consistency.h), and that no side has
// more than its 16 men. After the xboard commands "white" and "black" hand the move to the side
// that is not on move (which may then take the king) the first check accepts anything; what the
// targets still assert there is the second, that moves tried are taken back cleanly, that the
// engine stays within its tables (the sanitizers) and that it plays only moves legal in the
// position it believes it has.
void check_position(const std::string& context);
// The same with the context built only when a check fails (from `context()`), for the checks
// made after every line, where building it every time was a good part of the run.
const char* position_fault(); // the check that does not hold, or nullptr
template <typename Context> void check_position_with(const Context& context) {
    if (const char* fault = position_fault()) fail(__FILE__, __LINE__, fault, context());
}

// Everything about the position that a parse, a probe or a trial move must leave as it found
// it.
struct PositionSnapshot {
    // Slot 0 of the piece list is scratch that make and unmake may leave anything in.
    std::array<int32_t, BOARD_SQUARES> board, move_counts, piece_index;
    std::array<int32_t, 32> pieces; // slots 1 to 32 of the piece list
    uint64_t key;
    int32_t ep, side, fifty, history, ply, non_pawns, white_king, black_king;
    bool operator==(const PositionSnapshot&) const = default;
};
PositionSnapshot snapshot();

// A few positions covering the three phases of the evaluation, castling, en passant and
// promotion, as FEN.
const std::vector<std::string>& sample_positions();

// Sets up a FEN that is known to be good; fails the run otherwise.
void set_up_position(const std::string& fen);

// The evaluation's bound: no score of any position with any weights read from a weight file
// reaches it (see the argument in eval/parameter_file.cpp).
inline constexpr int32_t EVALUATION_BOUND = 450000;

// A directory of this process's own in the temporary directory, removed at exit.
const std::string& scratch_directory();

// Writes `bytes` to the file `name` of the scratch directory and returns its path.
std::string write_scratch_file(const std::string& name, const uint8_t* bytes, size_t size);
std::string write_scratch_file(const std::string& name, const std::string& bytes);

// Books held in memory: from now on the engine reads a book named `name` (as book_file_name
// names it) from a copy of `bytes` (book/book.h, held_book_bytes), with no file in the way; any
// other name it opens from the file system as before. Holding a name again replaces its bytes.
void hold_book_in_memory(const std::string& name, const uint8_t* bytes, size_t size);
void hold_book_in_memory(const std::string& name, const std::string& bytes);

// The repository's own files (the shipped weight file and book): their path, their bytes.
std::string source_file(const std::string& name);
std::string source_file_bytes(const std::string& name);

// The transposition table's size in the targets (hash_size units): the smallest, so that
// clearing it before every input is cheap.
inline constexpr int32_t FUZZ_HASH_SIZE = 1;

} // namespace fuzz
