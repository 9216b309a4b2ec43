// The opening book end to end: the engine playing from a book in its working directory, and
// the book builder vantrek-book.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "board/game.h"
#include "book/book.h"
#include "book/book_file.h"
#include "support/board_helpers.h"
#include "support/vantrek_runner.h"

namespace {

using test_support::run_program;
using test_support::run_vantrek;
using test_support::RunResult;
using test_support::STARTUP_WITHOUT_FILES;
using test_support::TempDir;

const char* const COUNT_ERROR = "Error reading number of book entries from book!\n";

std::string shipped_book() {
    std::ifstream file(std::string(VANTREK_SOURCE_DIR) + "/" + BOOK_FILE_NAME, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The engine's answer when it plays from its book: the announcement, then the move, and no
// search header. Returns the move, or "" after a failure.
std::string book_move_of(const RunResult& result) {
    EXPECT_EQ(result.exit_status, 0) << result.err;
    const std::string startup = STARTUP_WITHOUT_FILES;
    EXPECT_EQ(result.out.substr(0, startup.size()), startup);
    const std::string answer = result.out.substr(std::min(startup.size(), result.out.size()));
    // Exactly two lines: the announcement, then the move.
    const std::string announcement = "0 0 0 0 Playing from book...\nmove ";
    const bool is_book_answer = answer.rfind(announcement, 0) == 0 &&
                                answer.size() > announcement.size() + 1 &&
                                answer.find('\n', announcement.size()) == answer.size() - 1;
    if (!is_book_answer) {
        ADD_FAILURE() << "not a book answer:\n" << result.out;
        return "";
    }
    return answer.substr(announcement.size(), answer.size() - announcement.size() - 1);
}

// The weight the shipped book gives the position after `moves`.
uint16_t shipped_weight_after(const std::vector<std::string>& moves) {
    test_support::set_up();
    init_book_index_mask();
    test_support::play_all(moves);
    std::FILE* file =
        std::fopen((std::string(VANTREK_SOURCE_DIR) + "/" + BOOK_FILE_NAME).c_str(), "rb");
    if (file == nullptr) return 0;
    const uint16_t weight = probe_book(file);
    std::fclose(file);
    return weight;
}

TEST(BookSession, ABookWithACountOfZeroEndsTheEngine) {
    const RunResult result =
        run_vantrek("new\ngo\nquit\n", {}, {{BOOK_FILE_NAME, std::string(4, '\0')}});
    EXPECT_EQ(result.err, COUNT_ERROR);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, STARTUP_WITHOUT_FILES);
}

TEST(BookSession, PlaysItsFirstMoveFromTheShippedBookAsWhiteAndAsBlack) {
    const std::string book = shipped_book();
    ASSERT_FALSE(book.empty());

    const std::string white =
        book_move_of(run_vantrek("new\ngo\nquit\n", {}, {{BOOK_FILE_NAME, book}}));
    ASSERT_FALSE(white.empty());
    EXPECT_GT(shipped_weight_after({white}), 0) << white;

    const std::string black =
        book_move_of(run_vantrek("new\ne2e4\nquit\n", {}, {{BOOK_FILE_NAME, book}}));
    ASSERT_FALSE(black.empty());
    EXPECT_GT(shipped_weight_after({"e2e4", black}), 0) << black;
}

TEST(BookSession, PlaysTheOnlyBookMovesOfABookTheBuilderWrote) {
    TempDir directory;
    const RunResult built =
        run_program(VANTREK_BOOK_TOOL, {}, "e2e4 c7c5 g1f3 *\n", directory.path());
    ASSERT_EQ(built.exit_status, 0) << built.err;

    const RunResult white = run_program(VANTREK_BINARY, {}, "new\ngo\nquit\n", directory.path());
    EXPECT_EQ(book_move_of(white), "e2e4");
    const RunResult black = run_program(VANTREK_BINARY, {}, "new\ne2e4\nquit\n", directory.path());
    EXPECT_EQ(book_move_of(black), "c7c5");
}

TEST(BookSession, AMissingBookIsReportedOnceAndTheEngineSearches) {
    // The engine plays white twice; e7e6 is legal after any first move.
    const RunResult result = run_vantrek("new\ngo\ne7e6\nquit\n");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err,
              "Unable to open book file Vantrek.book!\nProceeding without my book...\n");
    EXPECT_EQ(result.out.find("Playing from book"), std::string::npos);
}

TEST(BookBuilderTool, BuildsABookAndReportsBadLinesByNumber) {
    TempDir directory;
    RunResult result = run_program(VANTREK_BOOK_TOOL, {"--help"}, "", directory.path());
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out.rfind("usage: vantrek-book", 0), 0u) << result.out;

    result = run_program(VANTREK_BOOK_TOOL, {}, "e2e4 e7e5 *\ne2e4 e7e5 e1e3 *\ne2e4 c7c5 *\n",
                         directory.path());
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err,
              "<stdin>:2: illegal move 'e1e3' at ply 3; the rest of the line is skipped\n");
    EXPECT_EQ(result.out, "3 games (1 with problems), 3 positions, 3 written to Vantrek.book\n");
    std::ifstream book(directory.path() + "/" + BOOK_FILE_NAME, std::ios::binary | std::ios::ate);
    EXPECT_EQ(static_cast<long>(book.tellg()), 3 * BOOK_RECORD_SIZE + BOOK_COUNT_SIZE);

    // From a file, with the depth and the minimum count.
    directory.write_file("games.uci", "[Event \"a\"]\n\ne2e4 e7e5 g1f3 *\n\ne2e4 e7e5 f1c4 *\n");
    result =
        run_program(VANTREK_BOOK_TOOL,
                    {"--plies", "2", "--min-count", "2", "--output", "small.book", "games.uci"}, "",
                    directory.path());
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, "2 games (0 with problems), 2 positions, 2 written to small.book\n");
}

TEST(BookBuilderTool, RefusesEmptyBooksAndBadArguments) {
    TempDir directory;
    directory.write_file(BOOK_FILE_NAME, "an earlier book");
    RunResult result = run_program(VANTREK_BOOK_TOOL, {}, "\n1-0\n", directory.path());
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_NE(result.err.find("Vantrek.book not written"), std::string::npos) << result.err;
    std::ifstream book(directory.path() + "/" + BOOK_FILE_NAME);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(book), {}), "an earlier book");

    result = run_program(VANTREK_BOOK_TOOL, {"missing.uci"}, "", directory.path());
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "vantrek-book: cannot open missing.uci\n");

    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--plies", "0"},
                                                      {"--plies", "82"},
                                                      {"--plies"},
                                                      {"--min-count", "x"},
                                                      {"--output"},
                                                      {"--depth", "3"}}) {
        result = run_program(VANTREK_BOOK_TOOL, arguments, "e2e4 *\n", directory.path());
        EXPECT_EQ(result.exit_status, 2) << testing::PrintToString(arguments);
        EXPECT_NE(result.err.find("vantrek-book: "), std::string::npos);
    }
}

} // namespace
