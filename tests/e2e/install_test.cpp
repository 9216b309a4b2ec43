// The installation as `cmake --install` lays it out in a staging directory (under the prefix
// the Debian package uses): the files in their places, and the installed engines started from
// a working directory that holds none of their files, as an interface starts them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "board/game.h"
#include "board/move_text.h"
#include "support/board_helpers.h"
#include "support/engine_process.h"
#include "support/vantrek_runner.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using test_support::ChildProcess;
using test_support::TempDir;

const std::string PREFIX = VANTREK_STAGED_PREFIX;
const std::string GAMES = VANTREK_LAYOUT_GAMES;
const std::string DATA = VANTREK_LAYOUT_DATA;
const std::string PLUGIN = std::string(VANTREK_LAYOUT_PLUGINS) + "/vantrek.eng";
const std::string MAN = VANTREK_LAYOUT_MAN;
const std::string DOC = VANTREK_LAYOUT_DOC;

std::string contents_of(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// What the engine says at start-up with the shipped weight file in its working directory.
std::string shipped_weight_echo() {
    const std::string weights = contents_of(std::string(VANTREK_SOURCE_DIR) + "/kelmora.ini");
    return test_support::run_vantrek("quit\n", {}, {{"kelmora.ini", weights}}).out;
}

bool is_legal_reply_to_e2e4(const std::string& move) {
    test_support::set_up("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
    Move parsed;
    return parse_user_move(move.c_str(), parsed);
}

TEST(Installed, FilesAreWhereDebianChessEnginesKeepThem) {
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(PREFIX))
        if (!entry.is_directory()) found.insert(fs::relative(entry.path(), PREFIX).string());
    const std::set<std::string> programs = {GAMES + "/vantrek",       GAMES + "/vantrek-xboard",
                                            GAMES + "/vantrek-uci",   GAMES + "/vantrek-book",
                                            GAMES + "/vantrek-perft", GAMES + "/vantrek-bench"};
    std::set<std::string> expected = {DATA + "/kelmora.ini",
                                      DATA + "/Vantrek.book",
                                      PLUGIN,
                                      MAN + "/vantrek.6.gz",
                                      MAN + "/vantrek-uci.6.gz",
                                      MAN + "/vantrek-book.6.gz",
                                      MAN + "/vantrek-bench.6.gz",
                                      MAN + "/vantrek-perft.6.gz",
                                      MAN + "/vantrek-xboard.6.gz",
                                      DOC + "/README.md",
                                      DOC + "/LICENSE",
                                      DOC + "/copyright",
                                      DOC + "/changelog.gz"};
    expected.insert(programs.begin(), programs.end());
    EXPECT_EQ(found, expected);
    for (const auto& program : programs)
        EXPECT_NE(fs::status(PREFIX + "/" + program).permissions() & fs::perms::owner_exec,
                  fs::perms::none)
            << program;
    for (const char* data : {"kelmora.ini", "Vantrek.book"})
        EXPECT_EQ(contents_of(PREFIX + "/" + DATA + "/" + data),
                  contents_of(std::string(VANTREK_SOURCE_DIR) + "/" + data))
            << data;
    // The plugin: its format line, the command, the variants.
    std::istringstream plugin(contents_of(PREFIX + "/" + PLUGIN));
    std::string format, command, variants;
    std::getline(plugin, format);
    std::getline(plugin, command);
    std::getline(plugin, variants);
    EXPECT_EQ(format, "plugin spec 0.0");
    EXPECT_EQ(command, "vantrek-xboard");
    EXPECT_EQ(variants, "chess");
}

TEST(Installed, PluginCommandStartsTheXboardEngineWithItsWeightsAndBook) {
    std::ifstream plugin(PREFIX + "/" + PLUGIN);
    std::string command;
    std::getline(plugin, command);
    std::getline(plugin, command);
    // The command is found on the search path, where the games directory is.
    std::istringstream words(command);
    std::string program;
    words >> program;
    std::vector<std::string> arguments;
    for (std::string word; words >> word;)
        arguments.push_back(word);

    TempDir elsewhere;
    const auto result = test_support::run_program(PREFIX + "/" + GAMES + "/" + program, arguments,
                                                  "new\ne2e4\nquit\n", elsewhere.path());
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    const std::string echo = shipped_weight_echo();
    ASSERT_NE(echo.find("Kelmora.ini loaded successfully!"), std::string::npos) << echo;
    ASSERT_EQ(result.out.substr(0, echo.size()), echo);
    const auto lines = test_support::split_lines(result.out.substr(echo.size()));
    ASSERT_EQ(lines.size(), 2u) << result.out;
    EXPECT_EQ(lines[0], "0 0 0 0 Playing from book...");
    ASSERT_EQ(lines[1].rfind("move ", 0), 0u) << lines[1];
    EXPECT_TRUE(is_legal_reply_to_e2e4(lines[1].substr(5))) << lines[1];
}

TEST(Installed, LauncherWithoutItsDataDirectorySaysSo) {
    TempDir moved;
    fs::copy_file(PREFIX + "/" + GAMES + "/vantrek-xboard", moved.path() + "/vantrek-xboard");
    const auto result =
        test_support::run_program(moved.path() + "/vantrek-xboard", {}, "quit\n", moved.path());
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_NE(result.err.find("cannot enter the data directory"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}

// The UCI engine reads the installed weights and book when the working directory holds
// neither; a file there, or an option naming another file, is used instead.
TEST(Installed, UciEngineFindsTheInstalledFilesUnlessToldOtherwise) {
    TempDir elsewhere;
    ChildProcess uci(PREFIX + "/" + GAMES + "/vantrek-uci", {}, elsewhere.path());
    uci.send("uci");
    uci.send("isready");
    std::vector<std::string> lines;
    ASSERT_TRUE(uci.read_until("readyok", milliseconds(20000), &lines));
    for (const auto& line : test_support::split_lines(shipped_weight_echo())) {
        if (!line.empty()) {
            EXPECT_NE(std::find(lines.begin(), lines.end(), "info string " + line), lines.end())
                << line;
        }
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), "id name Vantrek " VANTREK_VERSION),
              lines.end());
    uci.send("position startpos moves e2e4");
    uci.send("go depth 3");
    lines.clear();
    auto best = uci.read_until("bestmove ", milliseconds(20000), &lines);
    ASSERT_TRUE(best);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "info string book move"), lines.end());
    EXPECT_TRUE(is_legal_reply_to_e2e4(best->substr(9))) << *best;

    // Explicit names are used as given, even where the installed copy would be found.
    uci.send("setoption name ParameterFile value nowhere.ini");
    uci.send("setoption name BookFile value nowhere.book");
    uci.send("go depth 1");
    lines.clear();
    ASSERT_TRUE(uci.read_until("bestmove ", milliseconds(20000), &lines));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "info string Kelmora.ini not found!"),
              lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "info string book move"), lines.end());
    uci.send("quit");
    EXPECT_EQ(uci.wait_exit(milliseconds(5000)), 0);

    // A weight file in the working directory wins over the installed one.
    elsewhere.write_file("kelmora.ini", "BLOCKED_CENTER_PAWN=7\n");
    ChildProcess own(PREFIX + "/" + GAMES + "/vantrek-uci", {}, elsewhere.path());
    own.send("isready");
    lines.clear();
    ASSERT_TRUE(own.read_until("readyok", milliseconds(20000), &lines));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "info string BLOCKED_CENTER_PAWN=7"),
              lines.end());
    own.send("quit");
    EXPECT_EQ(own.wait_exit(milliseconds(5000)), 0);
}

} // namespace
