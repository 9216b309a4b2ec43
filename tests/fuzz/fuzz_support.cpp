#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string_view>

#include "board/consistency.h"
#include "board/fen.h"
#include "board/game.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/movegen.h"
#include "book/book.h"
#include "eval/parameter_file.h"
#include "protocol/command_loop.h"
#include "protocol/engine_turn.h"
#include "protocol/startup.h"
#include "search/classic/iterate.h"
#include "search/strong/table.h"
#include "search/thinking.h"
#include "search/transposition.h"

#ifndef VANTREK_SOURCE_DIR
#error "VANTREK_SOURCE_DIR must name the repository"
#endif

namespace fuzz {

namespace {

char* output_buffer = nullptr;
size_t output_size = 0;

SilentThinking silent_thinking;

unsigned fixed_book_seed() {
    return 20261207;
}

[[noreturn]] void throw_engine_exit(int status) {
    throw EngineExit{status};
}

// The process's own directory for files the engine must open by name; removed at exit.
struct ScratchDirectory {
    std::string path;
    ScratchDirectory() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vantrek-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        path = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

std::map<std::string, std::string>& held_books() {
    static std::map<std::string, std::string> books;
    return books;
}

bool find_held_book(const char* name, std::string_view& bytes) {
    const auto held = held_books().find(name);
    if (held == held_books().end()) return false;
    bytes = held->second;
    return true;
}

} // namespace

const std::string& scratch_directory() {
    static ScratchDirectory directory;
    return directory.path;
}

void fail(const char* file, int line, const char* condition, const std::string& detail) {
    std::fprintf(stderr, "\n%s:%d: check failed: %s\n%s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

void set_up_harness() {
    // What the engine prints stays in memory, where the targets read it.
    stdout = open_memstream(&output_buffer, &output_size);
    if (stdout == nullptr) std::abort();
    exit_engine_hook = throw_engine_exit;
    book_seed_source = fixed_book_seed;
}

void set_up_engine() {
    set_up_harness();
    init_keys();
    hash_size = FUZZ_HASH_SIZE;
    tt_allocate();
    new_game();
    init_book_index_mask();
    load_parameters_from(source_file("kelmora.ini").c_str());
    thinking_output = &silent_thinking;
    for (const std::string& fen : sample_positions())
        set_up_position(fen);
}

void reset_engine() {
    new_game();
    ply = 0;
    force_mode = 0;
    engine_side = 0;
    engine_clock = 0;
    opponent_clock = 0;
    last_iteration_score = 0;
    root_score = 0;
    book_enabled = 1;
    stop_requested.store(false);
}

void clear_transposition_table() {
    // A table of another size (the UCI option Hash) goes back to the small one, which comes
    // empty; so does the strong search's.
    const bool fresh = hash_size != FUZZ_HASH_SIZE && tt_resize(FUZZ_HASH_SIZE);
    if (!fresh)
        std::memset(static_cast<void*>(tt_entries), 0, (size_t{tt_mask} + 1) * sizeof(TTEntry));
    const bool strong_fresh = strong_table_megabytes() != 1 && strong_table_resize(1);
    if (!strong_fresh) strong_table_clear();
}

std::string take_output() {
    std::fflush(stdout);
    std::string text(output_buffer, output_size);
    std::fseek(stdout, 0, SEEK_SET);
    return text;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> legal_move_texts() {
    const PositionSnapshot before = snapshot();
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    std::vector<std::string> texts;
    texts.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        MoveUndo undo;
        if (play_move(list, i, undo)) {
            char text[MOVE_TEXT_SIZE];
            format_move(text, list[i]);
            texts.emplace_back(text);
        }
        take_back_move(list, i, undo);
    }
    FUZZ_CHECK(snapshot() == before, "a move tried and taken back changed the position");
    return texts;
}

bool is_legal_move_text(const std::string& text) {
    const PositionSnapshot before = snapshot();
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    bool legal = false;
    for (int i = 0; i < count && !legal; ++i) {
        char candidate[MOVE_TEXT_SIZE];
        format_move(candidate, list[i]);
        if (text != candidate) continue;
        MoveUndo undo;
        legal = play_move(list, i, undo);
        take_back_move(list, i, undo);
    }
    FUZZ_CHECK(snapshot() == before, "a move tried and taken back changed the position");
    return legal;
}

bool contains(const std::vector<std::string>& texts, const std::string& text) {
    for (const std::string& candidate : texts)
        if (candidate == text) return true;
    return false;
}

const char* position_fault() {
    if (!position_is_consistent()) return "position_is_consistent()";
    // Whatever the colour commands did, no move brings a man onto the board: a side keeps at
    // most its sixteen, and the piece list its 32 slots.
    int men[2] = {0, 0};
    for (int square = A1; square <= H8; ++square)
        if (board[square] != OFF_BOARD && board[square] != EMPTY) ++men[board[square] & 1];
    if (men[0] > 16 || men[1] > 16 || piece_count > 32)
        return "men[0] <= 16 && men[1] <= 16 && piece_count <= 32";
    if (key_history_count < 0 || key_history_count > MAX_GAME_PLIES)
        return "key_history_count >= 0 && key_history_count <= MAX_GAME_PLIES";
    if (side_to_move != 0 && side_to_move != 1) return "side_to_move == 0 || side_to_move == 1";
    return nullptr;
}

void check_position(const std::string& context) {
    check_position_with([&] { return context; });
}

PositionSnapshot snapshot() {
    PositionSnapshot s;
    std::copy(board, board + BOARD_SQUARES, s.board.begin());
    std::copy(square_move_count, square_move_count + BOARD_SQUARES, s.move_counts.begin());
    std::copy(piece_index, piece_index + BOARD_SQUARES, s.piece_index.begin());
    std::copy(piece_list + 1, piece_list + 33, s.pieces.begin());
    s.key = hash_key;
    s.ep = ep_square;
    s.side = side_to_move;
    s.fifty = fifty_counter;
    s.history = key_history_count;
    s.ply = ply;
    s.non_pawns = non_pawn_count;
    s.white_king = white_king_square;
    s.black_king = black_king_square;
    return s;
}

const std::vector<std::string>& sample_positions() {
    static const std::vector<std::string> positions = {
        std::string(START_FEN),
        // Castling both ways, pins, and the opening phase with every piece on.
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        // Promotions, captures into promotions, checks.
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        // An en-passant capture to be had.
        "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
        // The middlegame evaluator: ten pieces, kings castled on opposite wings.
        "2kr3r/ppp2ppp/2n1bn2/4q3/4P3/2N2N2/PPP2PPP/R2Q1RK1 b - - 3 9",
        // The endgame evaluator: rooks and passed pawns.
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        // Every pawn on the board, every one of them passed and one step from promoting.
        "8/PPPPPPPP/8/3k4/8/3K4/pppppppp/8 w - - 0 1",
        // Queens everywhere, the side to move in check.
        "k7/8/1QQQQQQQ/8/8/qqqqqqq1/6P1/7K b - - 0 1",
    };
    return positions;
}

void set_up_position(const std::string& fen) {
    std::string error;
    FUZZ_CHECK(set_position_from_fen(fen, error), fen + ": " + error);
}

std::string write_scratch_file(const std::string& name, const uint8_t* bytes, size_t size) {
    const std::string path = scratch_directory() + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr, path);
    FUZZ_CHECK(size == 0 || std::fwrite(bytes, 1, size, file) == size, path);
    FUZZ_CHECK(std::fclose(file) == 0, path);
    return path;
}

std::string write_scratch_file(const std::string& name, const std::string& bytes) {
    return write_scratch_file(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void hold_book_in_memory(const std::string& name, const uint8_t* bytes, size_t size) {
    held_books()[name].assign(reinterpret_cast<const char*>(bytes), size);
    held_book_bytes = find_held_book;
}

void hold_book_in_memory(const std::string& name, const std::string& bytes) {
    hold_book_in_memory(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string source_file(const std::string& name) {
    return std::string(VANTREK_SOURCE_DIR) + "/" + name;
}

std::string source_file_bytes(const std::string& name) {
    std::ifstream file(source_file(name), std::ios::binary);
    FUZZ_CHECK(file.good(), source_file(name));
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

} // namespace fuzz
