// Building books from game lines, and the file the builder writes.
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "board/game.h"
#include "book/book_builder.h"
#include "book_test_support.h"

namespace {

using book_test::BookTest;
using book_test::choice_text;
using book_test::expect_well_formed;
using book_test::file_contents;
using book_test::key_after;

// The weight the book file in the working directory gives the position after `moves`.
uint16_t book_weight_after(const std::vector<std::string>& moves) {
    test_support::set_up();
    test_support::play_all(moves);
    std::FILE* file = std::fopen(BOOK_FILE_NAME, "rb");
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return 0;
    const uint16_t weight = probe_book(file);
    std::fclose(file);
    return weight;
}

const char* const GAME_LINES = "e2e4 e7e5 g1f3 b8c6 *\n"
                               "e2e4 e7e5 g1f3 g8f6 1-0\n"
                               "e2e4 c7c5 0-1\n"
                               "d2d4 g8f6 g1f3 e7e6 1/2-1/2\n"
                               "g1f3 g8f6 d2d4 e7e6 *\n"
                               "g1f3 g8f6 f3g1 f6g8 g1f3 *\n";

PositionCounts count_lines(const std::string& lines, int max_plies,
                           std::string* problems = nullptr) {
    PositionCounts counts;
    std::istringstream input(lines);
    std::ostringstream reported;
    count_games(input, "games", max_plies, counts, reported);
    if (problems != nullptr) *problems = reported.str();
    return counts;
}

TEST_F(BookTest, BuildsABookThatGivesEveryPositionOfItsGamesTheirCount) {
    const PositionCounts counts = count_lines(GAME_LINES, 20);
    std::string error;
    ASSERT_TRUE(write_book_file(BOOK_FILE_NAME, book_records_from_counts(counts, 1), error));
    expect_well_formed(file_contents(BOOK_FILE_NAME));

    EXPECT_EQ(book_weight_after({"e2e4"}), 3);
    EXPECT_EQ(book_weight_after({"e2e4", "e7e5"}), 2);
    EXPECT_EQ(book_weight_after({"e2e4", "e7e5", "g1f3"}), 2);
    EXPECT_EQ(book_weight_after({"e2e4", "e7e5", "g1f3", "b8c6"}), 1);
    EXPECT_EQ(book_weight_after({"e2e4", "e7e5", "g1f3", "g8f6"}), 1);
    EXPECT_EQ(book_weight_after({"e2e4", "c7c5"}), 1);
    EXPECT_EQ(book_weight_after({"d2d4"}), 1);
    // Two games reach this position by transposition.
    EXPECT_EQ(book_weight_after({"d2d4", "g8f6", "g1f3", "e7e6"}), 2);
    // The double step's en-passant square is part of the key: not the same position.
    EXPECT_EQ(book_weight_after({"g1f3", "g8f6", "d2d4"}), 1);
    EXPECT_EQ(book_weight_after({"d2d4", "g8f6", "g1f3"}), 1);
    // The knight game reaches g1f3 twice and the initial position once: each counts once.
    EXPECT_EQ(book_weight_after({"g1f3"}), 2);
    EXPECT_EQ(book_weight_after({"g1f3", "g8f6"}), 2);
    EXPECT_EQ(book_weight_after({}), 1);
    EXPECT_EQ(book_weight_after({"g1f3", "g8f6", "f3g1"}), 1);
    EXPECT_EQ(book_weight_after({"c2c4"}), 0);
    EXPECT_EQ(counts.size(), 15u);

    // Fewer plies: nothing after the third half-move.
    ASSERT_TRUE(write_book_file(BOOK_FILE_NAME,
                                book_records_from_counts(count_lines(GAME_LINES, 3), 1), error));
    EXPECT_EQ(book_weight_after({"e2e4", "e7e5", "g1f3"}), 2);
    EXPECT_EQ(book_weight_after({"e2e4", "e7e5", "g1f3", "b8c6"}), 0);
    EXPECT_EQ(book_weight_after({"d2d4", "g8f6", "g1f3", "e7e6"}), 0);

    // A minimum count leaves out the positions fewer games reached.
    ASSERT_TRUE(write_book_file(BOOK_FILE_NAME, book_records_from_counts(counts, 2), error));
    expect_well_formed(file_contents(BOOK_FILE_NAME));
    EXPECT_EQ(book_weight_after({"e2e4"}), 3);
    EXPECT_EQ(book_weight_after({"d2d4", "g8f6", "g1f3", "e7e6"}), 2);
    EXPECT_EQ(book_weight_after({"e2e4", "c7c5"}), 0);
    EXPECT_EQ(book_weight_after({"d2d4"}), 0);

    // The book plays: after e2e4 e7e5 the only book move is g1f3.
    test_support::set_up();
    test_support::play_all({"e2e4", "e7e5"});
    EXPECT_EQ(choice_text(choose_book_move()), "g1f3");
}

TEST(BookBuilder, WeightsAreCountsCappedToSixteenBits) {
    const PositionCounts counts{{1, 70000}, {2, 65535}, {3, 3}};
    std::vector<BookRecord> records = book_records_from_counts(counts, 1);
    ASSERT_EQ(records.size(), 3u);
    std::map<uint64_t, uint16_t> weights;
    for (const BookRecord& record : records)
        weights[record.key] = record.weight;
    EXPECT_EQ(weights[1], 65535);
    EXPECT_EQ(weights[2], 65535);
    EXPECT_EQ(weights[3], 3);
    EXPECT_EQ(book_records_from_counts(counts, 65536).size(), 1u);
}

TEST_F(BookTest, ReportsBadLinesByNumberAndKeepsTheMovesBeforeTheFault) {
    std::string problems;
    const PositionCounts counts = count_lines("e2e4 e7e5 *\n"
                                              "[Event \"tags are passed over\"]\n"
                                              "\n"
                                              "e2e4 e7e5 e1e3 g8f6 *\n"
                                              "d2d4 xyz d7d5\n"
                                              "c2c4 e7e5 1-0 c4c5\n"
                                              "[FEN \"8/8/8/8/8/8/4K3/k7 w - - 0 1\"]\n"
                                              "e2e3 *\n"
                                              "a2a3 e7e8\n",
                                              20, &problems);
    EXPECT_EQ(problems, "games:4: illegal move 'e1e3' at ply 3; the rest of the line is skipped\n"
                        "games:5: illegal move 'xyz' at ply 2; the rest of the line is skipped\n"
                        "games:6: text after the result 1-0 is ignored\n"
                        "games:8: the game starts from a set-up position (FEN tag); skipped\n"
                        "games:9: illegal move 'e7e8' at ply 2; the rest of the line is skipped\n");
    const auto count_after = [&](const std::vector<std::string>& moves) {
        const auto found = counts.find(key_after(moves));
        return found == counts.end() ? 0u : found->second;
    };
    EXPECT_EQ(count_after({"e2e4", "e7e5"}), 2u);
    EXPECT_EQ(count_after({"e2e4"}), 2u);
    EXPECT_EQ(count_after({"d2d4"}), 1u);
    EXPECT_EQ(count_after({"c2c4", "e7e5"}), 1u);
    EXPECT_EQ(count_after({"a2a3"}), 1u);
    EXPECT_EQ(count_after({"e2e3"}), 0u);
    EXPECT_EQ(counts.size(), 6u);
}

TEST_F(BookTest, AcceptsPromotionLettersInEitherCase) {
    const std::vector<std::string> to_promotion = {"a2a4", "b7b5", "a4b5", "a7a6",
                                                   "b5a6", "c8b7", "a6b7", "b8c6"};
    std::string line;
    for (const auto& move : to_promotion)
        line += move + " ";
    std::string problems;
    const PositionCounts counts =
        count_lines(line + "b7a8Q *\n" + line + "b7a8n *\n" + line + "b7a8 *\n", 20, &problems);
    EXPECT_EQ(problems, "games:3: illegal move 'b7a8' at ply 9; the rest of the line is skipped\n");
    auto with = [&](const char* last) {
        auto moves = to_promotion;
        moves.push_back(last);
        return moves;
    };
    EXPECT_EQ(counts.at(key_after(with("b7a8q"))), 1u);
    EXPECT_EQ(counts.at(key_after(with("b7a8n"))), 1u);
    EXPECT_EQ(counts.at(key_after(to_promotion)), 3u);
}

TEST_F(BookTest, RefusesToWriteAnEmptyBookAndNeverLeavesAPartOne) {
    // An existing book stays as it was when there is nothing to write.
    std::string error;
    ASSERT_TRUE(write_book_file(BOOK_FILE_NAME, {{5, key_after({"e2e4"})}}, error));
    const std::string before = file_contents(BOOK_FILE_NAME);
    const PositionCounts nothing = count_lines("\n[Event \"no moves\"]\n", 20);
    EXPECT_FALSE(write_book_file(BOOK_FILE_NAME, book_records_from_counts(nothing, 1), error));
    EXPECT_NE(error.find("no positions"), std::string::npos) << error;
    EXPECT_EQ(file_contents(BOOK_FILE_NAME), before);
    // Every position below the minimum count: empty too.
    EXPECT_FALSE(write_book_file(BOOK_FILE_NAME,
                                 book_records_from_counts(count_lines("e2e4 *\n", 20), 2), error));
    EXPECT_EQ(file_contents(BOOK_FILE_NAME), before);

    // A book that cannot be written leaves no temporary file behind.
    EXPECT_FALSE(write_book_file(directory() + "/no/such/folder/book", {{5, 1}}, error));
    EXPECT_FALSE(error.empty());
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory()))
        ++files;
    EXPECT_EQ(files, 1u);
}

} // namespace
