// The book that ships with the engine: well formed, and with book moves for both colours in
// the main openings.
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "board/attack.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "book_test_support.h"

namespace {

using book_test::BookTest;
using book_test::choice_text;
using book_test::expect_well_formed;
using book_test::file_contents;

// The book moves of the current position with their weights, read from an open book.
std::map<std::string, uint16_t> book_moves(std::FILE* file) {
    std::map<std::string, uint16_t> moves;
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    for (int i = 0; i < count; ++i) {
        MoveUndo undo;
        if (play_move(list, i, undo))
            if (const uint16_t weight = probe_book(file))
                moves[test_support::text_of(list[i])] = weight;
        take_back_move(list, i, undo);
    }
    return moves;
}

TEST_F(BookTest, TheShippedBookCoversTheMainOpeningsForBothColours) {
    const std::string path = std::string(VANTREK_SOURCE_DIR) + "/" + BOOK_FILE_NAME;
    expect_well_formed(file_contents(path));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    const auto moves_after = [&](const std::vector<std::string>& moves) {
        test_support::set_up();
        test_support::play_all(moves);
        return book_moves(file);
    };
    const auto expect_book_moves = [&](const std::vector<std::string>& line,
                                       const std::vector<std::string>& expected) {
        const auto moves = moves_after(line);
        for (const auto& move : expected)
            EXPECT_TRUE(moves.count(move)) << move << " after " << testing::PrintToString(line);
    };
    expect_book_moves({}, {"e2e4", "d2d4", "c2c4", "g1f3"});
    expect_book_moves({"e2e4"}, {"c7c5", "e7e5", "e7e6", "c7c6", "d7d5"});
    expect_book_moves({"d2d4"}, {"d7d5", "g8f6"});
    expect_book_moves({"e2e4", "e7e5", "g1f3"}, {"b8c6", "g8f6"});
    expect_book_moves({"e2e4", "e7e5", "g1f3", "b8c6"}, {"f1b5", "f1c4", "d2d4"});
    expect_book_moves({"d2d4", "d7d5", "c2c4"}, {"e7e6", "c7c6", "d5c4"});
    expect_book_moves({"d2d4", "g8f6", "c2c4"}, {"e7e6", "g7g6", "c7c5"});
    // The usual first moves weigh most.
    const auto first = moves_after({});
    EXPECT_GT(first.at("e2e4"), first.at("b2b4"));
    EXPECT_GT(first.at("d2d4"), first.at("g2g4"));
    std::fclose(file);

    // Played by the engine from its working directory.
    std::filesystem::copy_file(path, directory() + "/" + BOOK_FILE_NAME);
    test_support::set_up();
    std::set<std::string> white_choices;
    for (int i = 0; i < 100; ++i)
        white_choices.insert(choice_text(choose_book_move()));
    EXPECT_GE(white_choices.size(), 2u);
    EXPECT_TRUE(white_choices.count("e2e4"));
    EXPECT_FALSE(white_choices.count("none"));
}

} // namespace
