// The weight file through the built engine: the echo at start-up, its exact text and order, and
// files that are not weight files at all.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/vantrek_runner.h"

namespace {

using test_support::run_vantrek;

const char* const WEIGHT_FILE = R"(BLOCKED_CENTER_PAWN=-5
ROOK_TRAPPED=2
DOUBLED_ROOKS=15
GOOD_BISHOP=16
BAD_BISHOP=23
TRAPPED_BISHOP=30
OBISHOP_PAIR=-3
MBISHOP_PAIR=4
EBISHOP_PAIR=45
OUTPOSTED=18
STRONG_OUTPOST=25
OFFENSIVENESS=-0.75
ROOK_ATTACK_KING=-1
QUEEN_ATTACK_KING=6
OMULTIPLE_PAWNS_PENALTY=75
OISOLATED_PAWN_PENALTY=20
OEXPOSED_ISOLATED_PAWN=27
OBACKWARD_PAWN_PENALTY=90
OEXPOSED_BACKWARD_PAWN=1
OPASSED_PAWN_BONUS=8
OCONNECTED_PASSED_PAWN=105
OROOK_ON_SEVENTH_BONUS=22
OROOK_PAIR_ON_SEVENTH=-11
OROOK_SEMI_OPEN_FILE=120
OROOK_OPEN_FILE_BONUS=3
UNDEVELOPED_PIECE=10
EARLY_QUEEN_DEVELOPMENT=135
MMULTIPLE_PAWNS_PENALTY=24
MISOLATED_PAWN_PENALTY=-9
MEXPOSED_ISOLATED_PAWN=150
MBACKWARD_PAWN_PENALTY=5
MEXPOSED_BACKWARD_PAWN=12
MPASSED_PAWN_BONUS=165
MCONNECTED_PASSED_PAWN=26
MOUTSIDE_PASSED_PAWN=-7
MROOK_ON_SEVENTH_BONUS=180
MROOK_PAIR_ON_SEVENTH=7
MROOK_SEMI_OPEN_FILE=14
MROOK_OPEN_FILE_BONUS=195
EMULTIPLE_PAWNS_PENALTY=-12
EISOLATED_PAWN_PENALTY=-5
EEXPOSED_ISOLATED_PAWN=210
EBACKWARD_PAWN_PENALTY=9
EEXPOSED_BACKWARD_PAWN=16
EPASSED_PAWN_BONUS=225
ECONNECTED_PASSED_PAWN=-10
EOUTSIDE_PASSED_PAWN=-3
EROOK_ON_SEVENTH_BONUS=240
EROOK_PAIR_ON_SEVENTH=11
EROOK_SEMI_OPEN_FILE=18
EROOK_OPEN_FILE_BONUS=255
)";

// The echo of WEIGHT_FILE, then the success line, then start-up's own empty line.
const char* const EXPECTED_START_UP = R"(BLOCKED_CENTER_PAWN=-5
ROOK_TRAPPED=2
GOOD_BISHOP=16
BAD_BISHOP=23
TRAPPED_BISHOP=30
OBISHOP_PAIR=-3
MBISHOP_PAIR=4
EBISHOP_PAIR=45
OUTPOSTED=18
STRONG_OUTPOST=25
OFFENSIVENESS=-0.750000
ROOK_ATTACK_KING=-1
QUEEN_ATTACK_KING=6

OMULTIPLE_PAWNS_PENALTY=75
OISOLATED_PAWN_PENALTY=20
OEXPOSED_ISOLATED_PAWN=27
OBACKWARD_PAWN_PENALTY=90
OEXPOSED_BACKWARD_PAWN=1
OPASSED_PAWN_BONUS=8
OCONNECTED_PASSED_PAWN=105
OROOK_ON_SEVENTH_BONUS=22
OROOK_PAIR_ON_SEVENTH=-11
OROOK_SEMI_OPEN_FILE=120
OROOK_OPEN_FILE_BONUS=3
UNDEVELOPED_PIECE=10
EARLY_QUEEN_DEVELOPMENT=135

MMULTIPLE_PAWNS_PENALTY=24
MISOLATED_PAWN_PENALTY=-9
MEXPOSED_ISOLATED_PAWN=150
MBACKWARD_PAWN_PENALTY=5
MEXPOSED_BACKWARD_PAWN=12
MPASSED_PAWN_BONUS=165
MCONNECTED_PASSED_PAWN=26
MOUTSIDE_PASSED_PAWN=-7
MROOK_ON_SEVENTH_BONUS=180
MROOK_PAIR_ON_SEVENTH=7
MROOK_SEMI_OPEN_FILE=14
MROOK_OPEN_FILE_BONUS=195

EMULTIPLE_PAWNS_PENALTY=-12
EISOLATED_PAWN_PENALTY=-5
EEXPOSED_ISOLATED_PAWN=210
EBACKWARD_PAWN_PENALTY=9
EEXPOSED_BACKWARD_PAWN=16
EPASSED_PAWN_BONUS=225
ECONNECTED_PASSED_PAWN=-10
EOUTSIDE_PASSED_PAWN=-3
EROOK_ON_SEVENTH_BONUS=240
EROOK_PAIR_ON_SEVENTH=11
EROOK_SEMI_OPEN_FILE=18
EROOK_OPEN_FILE_BONUS=255


Kelmora.ini loaded successfully!


)";

std::string echoed_value(const std::string& out, const std::string& key) {
    const size_t start = out.find(key + "=");
    if (start == std::string::npos) return "(missing)";
    const size_t value = start + key.size() + 1;
    return out.substr(value, out.find('\n', value) - value);
}

TEST(WeightFileSession, EchoesEveryWeightInFileOrder) {
    const auto result = run_vantrek("quit\n", {}, {{"kelmora.ini", WEIGHT_FILE}});
    EXPECT_EQ(result.out, EXPECTED_START_UP);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exit_status, 0);

    // The name is the lower-case one; the messages write it capitalised.
    const auto other_name = run_vantrek("quit\n", {}, {{"Kelmora.ini", WEIGHT_FILE}});
    EXPECT_EQ(other_name.out, "Kelmora.ini not found!\n\n");
    // "new" does not read the file again, and the echo comes once.
    const auto with_new = run_vantrek("new\nforce\nquit\n", {}, {{"kelmora.ini", WEIGHT_FILE}});
    EXPECT_EQ(with_new.out, EXPECTED_START_UP);
}

TEST(WeightFileSession, FilesThatAreNoWeightFilesStartTheEngineAllTheSame) {
    // Binary garbage: nothing matches, every weight stays 0 and is echoed so.
    std::mt19937 random(2024);
    std::string garbage;
    for (int i = 0; i < 100000; ++i)
        garbage += static_cast<char>(random() % 256);
    auto result = run_vantrek("quit\n", {}, {{"kelmora.ini", garbage}});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out.rfind("BLOCKED_CENTER_PAWN=0\nROOK_TRAPPED=0\n", 0), 0u);
    EXPECT_EQ(echoed_value(result.out, "OFFENSIVENESS"), "0.000000");
    EXPECT_EQ(echoed_value(result.out, "EROOK_OPEN_FILE_BONUS"), "0");
    EXPECT_NE(result.out.find("\nKelmora.ini loaded successfully!\n\n\n"), std::string::npos);

    // Numbers far out of range are clamped.
    result = run_vantrek("quit\n", {},
                         {{"kelmora.ini", "BLOCKED_CENTER_PAWN=123456789012345678901234567890\n"
                                          "ROOK_TRAPPED=-4294967296\n"
                                          "DOUBLED_ROOKS=0\nGOOD_BISHOP=0\nBAD_BISHOP=0\n"
                                          "TRAPPED_BISHOP=0\nOBISHOP_PAIR=0\nMBISHOP_PAIR=0\n"
                                          "EBISHOP_PAIR=0\nOUTPOSTED=0\nSTRONG_OUTPOST=0\n"
                                          "OFFENSIVENESS=-1e300\nROOK_ATTACK_KING=7\n"}});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(echoed_value(result.out, "BLOCKED_CENTER_PAWN"), "1000");
    EXPECT_EQ(echoed_value(result.out, "ROOK_TRAPPED"), "-1000");
    EXPECT_EQ(echoed_value(result.out, "OFFENSIVENESS"), "-100.000000");
    EXPECT_EQ(echoed_value(result.out, "ROOK_ATTACK_KING"), "7");

    // An enormous file: one endless number, read to its end and clamped, without a hang.
    result = run_vantrek("quit\n", {},
                         {{"kelmora.ini", "BLOCKED_CENTER_PAWN=" + std::string(8000000, '9')}},
                         std::chrono::seconds(30));
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(echoed_value(result.out, "BLOCKED_CENTER_PAWN"), "1000");

    // An empty file is a file: all weights 0, and the success line.
    result = run_vantrek("quit\n", {}, {{"kelmora.ini", ""}});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(echoed_value(result.out, "QUEEN_ATTACK_KING"), "0");
    EXPECT_NE(result.out.find("Kelmora.ini loaded successfully!"), std::string::npos);
}

} // namespace
