// The weight file: item syntax, what a malformed item does to the items after it, clamping,
// and the echo.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "eval/parameter_file.h"
#include "eval/parameters.h"
#include "support/engine_process.h"
#include "support/eval_helpers.h"

namespace {

// The integer items in file order, with their keys (a key is the name of its weight);
// OFFENSIVENESS, the one float, comes between the 11th and 12th of them.
struct Key {
    std::string name;
    int32_t* weight;
};
const std::vector<Key> INTEGER_KEYS = [] {
    std::vector<Key> keys;
    for (const ParameterItem& item : PARAMETER_ITEMS)
        if (item.integer != nullptr)
            keys.push_back({std::string(item.format).substr(0, std::string(item.format).find('=')),
                            item.integer});
    return keys;
}();
constexpr size_t OFFENSIVENESS_POSITION = 11;

int32_t value_for(size_t index) {
    return static_cast<int32_t>(index % 2 == 0 ? 3 * index + 1 : -(5 * index));
}

// The 51 items with their values, each followed by `separator`.
std::string weight_file(const std::string& separator, const std::string& offensiveness = "1.5") {
    std::string text;
    for (size_t i = 0; i < INTEGER_KEYS.size(); ++i) {
        if (i == OFFENSIVENESS_POSITION) text += "OFFENSIVENESS=" + offensiveness + separator;
        text += INTEGER_KEYS[i].name + "=" + std::to_string(value_for(i)) + separator;
    }
    return text;
}

// Reads `text` as the weight file, from cleared weights; returns what was printed meanwhile.
std::string read_text(const std::string& text) {
    test_support::clear_weights();
    std::FILE* stream = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), stream);
    std::rewind(stream);
    ::testing::internal::CaptureStdout();
    read_parameters(stream);
    std::fclose(stream);
    return ::testing::internal::GetCapturedStdout();
}

// How many integer weights, from the first in file order, hold their value_for.
size_t weights_set_in_order() {
    size_t set = 0;
    while (set < INTEGER_KEYS.size() && *INTEGER_KEYS[set].weight == value_for(set))
        ++set;
    return set;
}

class WeightFile : public ::testing::Test {
  protected:
    void TearDown() override { test_support::clear_weights(); }
};

TEST_F(WeightFile, EveryItemInOrderSetsItsWeightWhateverTheWhiteSpace) {
    ASSERT_EQ(INTEGER_KEYS.size(), 50u);
    for (const char* separator : {"\n", "\n\n\n", " ", "\r\n", "\t \n  "}) {
        EXPECT_EQ(read_text(weight_file(separator)), "");
        EXPECT_EQ(weights_set_in_order(), INTEGER_KEYS.size())
            << "separator of " << std::string(separator).size();
        EXPECT_EQ(OFFENSIVENESS, 1.5f);
    }
    // Blanks after "=" belong to the number; indentation before a key to the item before.
    read_text("   BLOCKED_CENTER_PAWN=  -7\nROOK_TRAPPED=\n+8 DOUBLED_ROOKS=9");
    EXPECT_EQ(BLOCKED_CENTER_PAWN, 0); // nothing skips blanks before the first key
    read_text("BLOCKED_CENTER_PAWN=  -7\nROOK_TRAPPED=\n+8 DOUBLED_ROOKS=9");
    EXPECT_EQ(BLOCKED_CENTER_PAWN, -7);
    EXPECT_EQ(ROOK_TRAPPED, 8);
    EXPECT_EQ(DOUBLED_ROOKS, 9);
}

TEST_F(WeightFile, AMismatchLeavesItsWeightAndStopsTheItemsAfterIt) {
    // A misspelt first key: its matching part is consumed, the rest matches no later key.
    std::string misspelt = weight_file("\n");
    misspelt.replace(0, 19, "BLOCKED_CENTRE_PAWN");
    EXPECT_EQ(read_text(misspelt), "");
    EXPECT_EQ(weights_set_in_order(), 0u);
    for (const Key& key : INTEGER_KEYS)
        EXPECT_EQ(*key.weight, 0) << key.name;
    EXPECT_EQ(OFFENSIVENESS, 0.0f);

    // A later item that fails: everything before it is set, nothing after.
    std::string late = weight_file("\n");
    late.replace(late.find("OPASSED_PAWN_BONUS"), 18, "OPASSED_PAWNS_BONUS");
    read_text(late);
    EXPECT_EQ(weights_set_in_order(), 18u); // the 18 integer items before it
    EXPECT_EQ(OFFENSIVENESS, 1.5f);
    EXPECT_EQ(OPASSED_PAWN_BONUS, 0);
    EXPECT_EQ(EROOK_OPEN_FILE_BONUS, 0);

    // A value that is no number, a sign alone, a blank before "=", a key in lower case.
    for (const char* bad :
         {"ROOK_TRAPPED=x5", "ROOK_TRAPPED=-", "ROOK_TRAPPED =5", "rook_trapped=5"}) {
        read_text(std::string("BLOCKED_CENTER_PAWN=4\n") + bad + "\nDOUBLED_ROOKS=6\n");
        EXPECT_EQ(BLOCKED_CENTER_PAWN, 4) << bad;
        EXPECT_EQ(ROOK_TRAPPED, 0) << bad;
        EXPECT_EQ(DOUBLED_ROOKS, 0) << bad;
    }
    // A number ends where its digits end; what follows must then match the next key.
    read_text("BLOCKED_CENTER_PAWN=12abc\nROOK_TRAPPED=3\n");
    EXPECT_EQ(BLOCKED_CENTER_PAWN, 12);
    EXPECT_EQ(ROOK_TRAPPED, 0);

    // A file cut off in the middle of an item.
    read_text(weight_file("\n").substr(0, 200));
    const size_t set = weights_set_in_order();
    EXPECT_GT(set, 3u);
    EXPECT_LT(set, 12u);
    for (size_t i = set + 1; i < INTEGER_KEYS.size(); ++i)
        EXPECT_EQ(*INTEGER_KEYS[i].weight, 0) << INTEGER_KEYS[i].name;
}

TEST_F(WeightFile, OffensivenessIsAFloat) {
    const auto offensiveness = [](const std::string& text) {
        read_text(weight_file("\n", text));
        EXPECT_EQ(weights_set_in_order(), INTEGER_KEYS.size()) << text;
        return OFFENSIVENESS;
    };
    EXPECT_EQ(offensiveness("-0.5"), -0.5f);
    EXPECT_EQ(offensiveness(".25"), 0.25f);
    EXPECT_EQ(offensiveness("3."), 3.0f);
    EXPECT_EQ(offensiveness("+2"), 2.0f);
    EXPECT_EQ(offensiveness("-2.25e1"), -22.5f);
    EXPECT_EQ(offensiveness("0.000000000000000000000000000000000000000000012e43"), 0.12f);
    EXPECT_EQ(offensiveness("1e"), 1.0f); // an exponent letter without digits is dropped
    EXPECT_EQ(offensiveness("0.1"), 0.1f);
}

TEST_F(WeightFile, OutOfRangeNumbersAreClamped) {
    read_text("BLOCKED_CENTER_PAWN=99999999999999999999999999999999999\n"
              "ROOK_TRAPPED=-2147483649\n"
              "DOUBLED_ROOKS=1000\n"
              "GOOD_BISHOP=-1001\n"
              "BAD_BISHOP=" +
              std::string(100000, '7') + "\nTRAPPED_BISHOP=5\n");
    EXPECT_EQ(BLOCKED_CENTER_PAWN, WEIGHT_LIMIT);
    EXPECT_EQ(ROOK_TRAPPED, -WEIGHT_LIMIT);
    EXPECT_EQ(DOUBLED_ROOKS, 1000);
    EXPECT_EQ(GOOD_BISHOP, -WEIGHT_LIMIT);
    EXPECT_EQ(BAD_BISHOP, WEIGHT_LIMIT);
    EXPECT_EQ(TRAPPED_BISHOP, 5);

    const auto offensiveness = [](const std::string& text) {
        read_text(weight_file("\n", text));
        EXPECT_EQ(EROOK_OPEN_FILE_BONUS, value_for(INTEGER_KEYS.size() - 1)) << text;
        return OFFENSIVENESS;
    };
    EXPECT_EQ(offensiveness("1e30"), OFFENSIVENESS_LIMIT);
    EXPECT_EQ(offensiveness("-1e999999999999999999999"), -OFFENSIVENESS_LIMIT);
    EXPECT_EQ(offensiveness("100.5"), OFFENSIVENESS_LIMIT);
    EXPECT_EQ(offensiveness("1e-50"), 0.0f);
    EXPECT_EQ(offensiveness("1e-999999999999999"), 0.0f);
    EXPECT_EQ(offensiveness(std::string(5000, '9')), OFFENSIVENESS_LIMIT);
    EXPECT_EQ(offensiveness("0." + std::string(5000, '0') + "1"), 0.0f);
    EXPECT_EQ(offensiveness("-inf"), -OFFENSIVENESS_LIMIT);
    EXPECT_EQ(offensiveness("Infinity"), OFFENSIVENESS_LIMIT);
    EXPECT_EQ(offensiveness("NaN"), 0.0f);
    EXPECT_FALSE(std::isnan(offensiveness("-nan")));
}

TEST_F(WeightFile, BinaryGarbageNeverEscapesTheLimits) {
    std::mt19937 random(12345);
    for (int round = 0; round < 50; ++round) {
        std::string text = round % 2 == 0 ? "" : weight_file("\n").substr(0, random() % 900);
        for (int i = 0; i < 4000; ++i)
            text += static_cast<char>(random() % 256);
        read_text(text);
        for (const Key& key : INTEGER_KEYS) {
            EXPECT_LE(*key.weight, WEIGHT_LIMIT);
            EXPECT_GE(*key.weight, -WEIGHT_LIMIT);
        }
        EXPECT_FALSE(std::isnan(OFFENSIVENESS));
        EXPECT_LE(std::fabs(OFFENSIVENESS), OFFENSIVENESS_LIMIT);
    }
}

TEST_F(WeightFile, EchoShowsFiftyWeightsInBlocks) {
    read_text(weight_file("\n"));
    ::testing::internal::CaptureStdout();
    echo_parameters();
    const std::string echo = ::testing::internal::GetCapturedStdout();
    const std::vector<std::string> lines = test_support::split_lines(echo);
    // 50 weights, 4 empty lines ending the blocks, the empty line before the success line,
    // the success line and the empty line after it.
    ASSERT_EQ(lines.size(), 50u + 4 + 1 + 1 + 1);
    EXPECT_EQ(lines[0], "BLOCKED_CENTER_PAWN=" + std::to_string(value_for(0)));
    EXPECT_EQ(lines[2], "GOOD_BISHOP=" + std::to_string(value_for(3))); // no DOUBLED_ROOKS
    EXPECT_EQ(lines[10], "OFFENSIVENESS=1.500000");
    EXPECT_EQ(lines[13], "");
    EXPECT_EQ(lines[27], "");
    EXPECT_EQ(lines[40], "");
    EXPECT_EQ(lines[53], "");
    EXPECT_EQ(lines[54], "");
    EXPECT_EQ(lines[55], "Kelmora.ini loaded successfully!");
    EXPECT_EQ(lines[56], "");
    EXPECT_EQ(echo.find("DOUBLED_ROOKS"), std::string::npos);
}

TEST_F(WeightFile, TheShippedFileMatchesEveryItem) {
    // Every item matched when the reader got to the end of the file: the last format's white
    // space swallows the final line end, and any failed item would have stopped it early.
    // Every weight starts beyond the reader's limits, so a value still there was never read
    // (a tuned weight may well be 0).
    constexpr int32_t UNREAD = 5000;
    std::FILE* stream = std::fopen(VANTREK_SOURCE_DIR "/kelmora.ini", "r");
    ASSERT_NE(stream, nullptr);
    for (const ParameterItem& item : PARAMETER_ITEMS) {
        if (item.integer != nullptr) *item.integer = UNREAD;
        if (item.real != nullptr) *item.real = UNREAD;
    }
    read_parameters(stream);
    EXPECT_EQ(std::getc(stream), EOF);
    std::fclose(stream);
    for (const Key& key : INTEGER_KEYS)
        EXPECT_NE(*key.weight, UNREAD) << key.name;
    EXPECT_LT(OFFENSIVENESS, 0.0f); // attackers near the enemy king count for their side
}

TEST_F(WeightFile, LoadReadsTheFileOfTheCurrentDirectory) {
    const std::filesystem::path home = std::filesystem::current_path();
    test_support::TempDir directory;
    std::filesystem::current_path(directory.path());

    test_support::clear_weights();
    ::testing::internal::CaptureStdout();
    load_parameters();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Kelmora.ini not found!\n");
    for (const Key& key : INTEGER_KEYS)
        EXPECT_EQ(*key.weight, 0) << key.name;
    EXPECT_EQ(OFFENSIVENESS, 0.0f);

    directory.write_file("kelmora.ini", weight_file("\n"));
    ::testing::internal::CaptureStdout();
    load_parameters();
    const std::string echo = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(weights_set_in_order(), INTEGER_KEYS.size());
    EXPECT_EQ(echo.rfind("BLOCKED_CENTER_PAWN=1\n", 0), 0u);
    EXPECT_NE(echo.find("\nKelmora.ini loaded successfully!\n\n"), std::string::npos);

    std::filesystem::current_path(home);
}

} // namespace
