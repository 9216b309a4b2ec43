// The Windows programs from the unpacked release archive, run under Wine the way a Windows
// chess interface runs them: lines sent with CR LF, the answers read as they come, and the
// Linux programs of the same source as the reference for what they must say. The archive is
// unpacked and Wine's prefix made by tests/windows/wine_fixture.sh before these tests run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>

#include "board/game.h"
#include "board/move_text.h"
#include "support/board_helpers.h"
#include "support/engine_process.h"
#include "support/relay.h"
#include "support/uci_session.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test_support::ChildProcess;
using test_support::TempDir;

const std::string WINE = VANTREK_WINE; // empty when the build found no Wine
const std::string FOLDER = VANTREK_WINDOWS_FOLDER;
const char* const START = test_support::START_FEN;

// Wine's settings, as tests/windows/wine_env.sh sets them for the scripts. Wine reads the
// Linux file names through the locale's character set, so a folder named beyond ASCII needs a
// UTF-8 locale whatever the environment had.
class WineSettings : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("LC_ALL", "C.UTF-8", 1);
        setenv("WINEPREFIX", VANTREK_WINE_PREFIX, 1);
        setenv("WINEARCH", "win64", 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    }
};
[[maybe_unused]] ::testing::Environment* const wine_settings =
    ::testing::AddGlobalTestEnvironment(new WineSettings);

// Why the Windows programs cannot be run here, or nothing.
std::optional<std::string> missing_windows_programs() {
    if (WINE.empty()) return "Wine is not installed (apt-get install -y wine wine64)";
    if (!fs::exists(FOLDER + "/vantrek-uci.exe"))
        return "no unpacked Windows archive in " + FOLDER +
               " (cmake --workflow --preset windows makes it)";
    return std::nullopt;
}

// Skipped without Wine or the archive, unless VANTREK_REQUIRE_WINE=1 (CI) makes that a failure.
#define REQUIRE_WINDOWS_PROGRAMS()                                                                 \
    do {                                                                                           \
        if (const auto why = missing_windows_programs()) {                                         \
            const char* required = std::getenv("VANTREK_REQUIRE_WINE");                            \
            if (required != nullptr && std::string(required) == "1") FAIL() << *why;               \
            GTEST_SKIP() << *why;                                                                  \
        }                                                                                          \
    } while (false)

std::string contents_of(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string shipped(const std::string& name) {
    return contents_of(std::string(VANTREK_SOURCE_DIR) + "/" + name);
}

// A path as a Windows program under Wine names it: drive Z: is the root of the Linux file
// system, and the separators are backslashes.
std::string windows_path(const fs::path& path) {
    std::string text = "Z:" + fs::absolute(path).string();
    for (char& c : text)
        if (c == '/') c = '\\';
    return text;
}

// The shipped weight file with OFFENSIVENESS changed, so that its echo tells which file was
// read.
std::string weights_with_offensiveness(const std::string& value) {
    std::string text = shipped("kelmora.ini");
    const size_t start = text.find("OFFENSIVENESS=");
    const size_t end = text.find('\n', start);
    return text.replace(start, end - start, "OFFENSIVENESS=" + value);
}

// A Windows program of the archive, started under Wine in `directory`.
std::unique_ptr<ChildProcess> start_windows(const std::string& program,
                                            const std::string& directory) {
    return std::make_unique<ChildProcess>(WINE, std::vector<std::string>{FOLDER + "/" + program},
                                          directory);
}

// Sends a line as a Windows interface ends it.
void send_crlf(ChildProcess& engine, const std::string& line) {
    engine.send(line + "\r");
}

// The lines up to and including the first that starts with `prefix`, each without the CR LF
// that ends a Windows program's lines; fails the test when one lacks its CR or none comes.
std::vector<std::string> lines_until(ChildProcess& engine, const std::string& prefix,
                                     milliseconds timeout = milliseconds(20000)) {
    std::vector<std::string> seen;
    const bool found = engine.read_until(prefix, timeout, &seen).has_value();
    EXPECT_TRUE(found) << "no line starting with '" << prefix << "'";
    for (std::string& line : seen) {
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << "not ended by CR LF: " << line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
    }
    return seen;
}

std::vector<std::string> info_strings(const std::vector<std::string>& lines) {
    std::vector<std::string> strings;
    for (const auto& line : lines)
        if (line.rfind("info string ", 0) == 0) strings.push_back(line);
    return strings;
}

// The weight file's echo from the Linux vantrek-uci with `weights` in its working directory:
// what the Windows engine must say when it reads the same file.
std::vector<std::string> linux_weight_echo(const std::string& weights) {
    TempDir directory;
    directory.write_file("kelmora.ini", weights);
    const auto result = test_support::run_program(VANTREK_UCI, {}, "uci\nquit\n", directory.path());
    return info_strings(test_support::split_lines(result.out));
}

// The engine's handshake up to "uciok" (its identity alone), then its answer to "isready": the
// weight file's echo, held until the interface has spoken, and "readyok". All of them.
std::vector<std::string> handshake(ChildProcess& engine) {
    send_crlf(engine, "uci");
    auto lines = lines_until(engine, "uciok");
    for (const auto& line : lines)
        EXPECT_NE(line.rfind("info ", 0), 0u) << line;
    send_crlf(engine, "isready");
    const auto ready = lines_until(engine, "readyok");
    EXPECT_EQ(ready.back(), "readyok");
    for (size_t i = 0; i + 1 < ready.size(); ++i)
        EXPECT_EQ(ready[i].rfind("info string ", 0), 0u) << ready[i];
    lines.insert(lines.end(), ready.begin(), ready.end());
    return lines;
}

std::vector<std::string> without_timing(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    for (const auto& line : lines) {
        const auto words = test_support::words_of(line);
        std::string text;
        for (size_t i = 0; i < words.size(); ++i) {
            if ((words[i] == "time" || words[i] == "nps") && i + 1 < words.size()) {
                ++i;
                continue;
            }
            text += (text.empty() ? "" : " ") + words[i];
        }
        kept.push_back(text);
    }
    return kept;
}

TEST(WineArchive, HoldsTheProgramsTheDataFilesAndTheDocuments) {
    REQUIRE_WINDOWS_PROGRAMS();
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(FOLDER))
        found.insert(entry.path().filename().string());
    const std::set<std::string> expected = {
        "vantrek.exe",       "vantrek-uci.exe",   "vantrek-book.exe",
        "vantrek-perft.exe", "vantrek-bench.exe", "kelmora.ini",
        "Vantrek.book",      "README.md",         "LICENSE.txt"};
    EXPECT_EQ(found, expected);
    // The archive's one top folder is named for the version.
    EXPECT_EQ(fs::path(FOLDER).filename().string(), "vantrek-" VANTREK_VERSION "-windows-x86_64");
    EXPECT_EQ(contents_of(FOLDER + "/kelmora.ini"), shipped("kelmora.ini"));
    EXPECT_EQ(contents_of(FOLDER + "/Vantrek.book"), shipped("Vantrek.book"));
    EXPECT_EQ(contents_of(FOLDER + "/LICENSE.txt"), shipped("LICENSE"));
}

TEST(WineUci, PlaysASessionAsAnInterfaceDrivesIt) {
    REQUIRE_WINDOWS_PROGRAMS();
    TempDir empty;
    auto engine = start_windows("vantrek-uci.exe", empty.path());
    const auto greeting = handshake(*engine);
    EXPECT_NE(std::find(greeting.begin(), greeting.end(), "id name Vantrek " VANTREK_VERSION),
              greeting.end());
    // The search, not the book, answers from here on.
    send_crlf(*engine, "setoption name OwnBook value false");

    // A position with moves, searched to a depth.
    const std::vector<std::string> moves = {"e2e4", "e7e5", "g1f3"};
    send_crlf(*engine, "position startpos moves e2e4 e7e5 g1f3");
    send_crlf(*engine, "go depth 6");
    auto lines = lines_until(*engine, "bestmove");
    test_support::expect_legal_lines(lines, START, moves);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("info depth 6 ", 0) == 0;
    }));

    // A fixed time: the move comes after about that long, not long after.
    send_crlf(*engine, "go movetime 500");
    auto started = Clock::now();
    lines = lines_until(*engine, "bestmove");
    auto waited = std::chrono::duration_cast<milliseconds>(Clock::now() - started);
    test_support::expect_legal_lines(lines, START, moves);
    EXPECT_GE(waited.count(), 400);
    EXPECT_LT(waited.count(), 1500);

    // An infinite search answers only when stopped, and then at once.
    send_crlf(*engine, "go infinite");
    std::vector<std::string> thinking;
    EXPECT_FALSE(engine->read_until("bestmove", milliseconds(800), &thinking).has_value());
    send_crlf(*engine, "stop");
    started = Clock::now();
    lines = lines_until(*engine, "bestmove", milliseconds(5000));
    waited = std::chrono::duration_cast<milliseconds>(Clock::now() - started);
    EXPECT_LT(waited.count(), 500);
    EXPECT_FALSE(test_support::best_move_of(lines).empty());

    // "quit" ends it, with its input still open, as an interface leaves it.
    send_crlf(*engine, "quit");
    EXPECT_EQ(engine->wait_exit(milliseconds(5000)), 0);
}

// The built-in network is in the Windows programs too, and they choose their arithmetic when
// they start as the Linux ones do: on this processor, the same path and the same nodes.
TEST(WineUci, BenchEvaluatesWithTheSameNetworkAndArithmeticAsTheLinuxEngine) {
    REQUIRE_WINDOWS_PROGRAMS();
    TempDir directory;
    auto summary = [](const std::string& out) {
        std::vector<std::string> kept;
        for (std::string line : test_support::split_lines(out)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("Nodes searched", 0) == 0 || line.rfind("Evaluation", 0) == 0)
                kept.push_back(line);
        }
        return kept;
    };
    const auto on_linux =
        test_support::run_program(VANTREK_UCI, {"bench", "6"}, "", directory.path());
    const auto on_windows =
        test_support::run_program(WINE, {FOLDER + "/vantrek-uci.exe", "bench", "6"}, "",
                                  directory.path(), std::chrono::seconds(120));
    const auto expected = summary(on_linux.out);
    ASSERT_EQ(expected.size(), 2u) << on_linux.out;
    EXPECT_EQ(expected[1].rfind("Evaluation      : network 768x", 0), 0u) << expected[1];
    EXPECT_EQ(summary(on_windows.out), expected) << on_windows.out;
}

TEST(WineUci, SearchesAsTheLinuxEngineDoesWhateverTheLineEnds) {
    REQUIRE_WINDOWS_PROGRAMS();
    // The same commands with CR LF and with LF alone, and the Linux engine's answer to them:
    // the same search, node for node (only the times differ).
    const std::vector<std::string> commands = {"setoption name Search value classic",
                                               "setoption name OwnBook value false",
                                               "position startpos moves d2d4 g8f6", "go depth 5"};
    auto session = [&](ChildProcess& engine, const std::string& line_end, bool windows) {
        for (const auto& command : commands)
            engine.send(command + line_end);
        std::vector<std::string> lines;
        if (windows) {
            lines = lines_until(engine, "bestmove");
        } else {
            EXPECT_TRUE(engine.read_until("bestmove", milliseconds(20000), &lines));
        }
        engine.send("quit");
        EXPECT_EQ(engine.wait_exit(milliseconds(5000)), 0);
        return without_timing(lines);
    };
    // The weight file in the working directory, where the Linux engine finds it too.
    TempDir directory;
    directory.write_file("kelmora.ini", shipped("kelmora.ini"));
    auto with_crlf = start_windows("vantrek-uci.exe", directory.path());
    auto with_lf = start_windows("vantrek-uci.exe", directory.path());
    ChildProcess on_linux(VANTREK_UCI, {}, directory.path());
    const auto answer = session(*with_crlf, "\r", true);
    EXPECT_EQ(session(*with_lf, "", true), answer);
    EXPECT_EQ(session(on_linux, "", false), answer);
    test_support::expect_legal_lines(answer, START, {"d2d4", "g8f6"});
}

TEST(WineUci, FindsItsWeightFileAndBookBesideItselfUnlessTheWorkingDirectoryHasThem) {
    REQUIRE_WINDOWS_PROGRAMS();
    // From an empty working directory: the shipped files beside the program.
    TempDir empty;
    auto engine = start_windows("vantrek-uci.exe", empty.path());
    EXPECT_EQ(info_strings(handshake(*engine)), linux_weight_echo(shipped("kelmora.ini")));
    send_crlf(*engine, "position startpos");
    send_crlf(*engine, "go depth 3");
    const auto lines = lines_until(*engine, "bestmove");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "info string book move"), lines.end());

    // A weight file in the working directory is the user's choice and wins.
    TempDir own;
    const std::string weights = weights_with_offensiveness("2.500000");
    own.write_file("kelmora.ini", weights);
    auto with_own = start_windows("vantrek-uci.exe", own.path());
    const auto echo = info_strings(handshake(*with_own));
    EXPECT_EQ(echo, linux_weight_echo(weights));
    EXPECT_NE(std::find(echo.begin(), echo.end(), "info string OFFENSIVENESS=2.500000"),
              echo.end());
}

TEST(WineUci, OpensFilesNamedWithBackslashesAndSpaces) {
    REQUIRE_WINDOWS_PROGRAMS();
    TempDir work;
    fs::create_directory(fs::path(work.path()) / "my files");
    const std::string weights = weights_with_offensiveness("-3.250000");
    work.write_file("my files/my weights.ini", weights);
    // A book of one line, made by the Windows book builder: from the initial position its
    // only move is a2a3, which the shipped book never plays.
    work.write_file("my files/line.txt", "a2a3 a7a6\r\n");
    const auto built = test_support::run_program(
        WINE, {FOLDER + "/vantrek-book.exe", "--output", "opening book.bin", "line.txt"}, "",
        work.path() + "/my files");
    ASSERT_EQ(built.exit_status, 0) << built.out << built.err;

    auto engine = start_windows("vantrek-uci.exe", work.path());
    handshake(*engine);
    // A relative name with a backslash, and a whole Windows path with spaces.
    send_crlf(*engine, "setoption name ParameterFile value my files\\my weights.ini");
    send_crlf(*engine, "setoption name BookFile value " +
                           windows_path(fs::path(work.path()) / "my files" / "opening book.bin"));
    send_crlf(*engine, "isready");
    const auto echo = info_strings(lines_until(*engine, "readyok"));
    EXPECT_EQ(echo, linux_weight_echo(weights));
    send_crlf(*engine, "position startpos");
    send_crlf(*engine, "go depth 3");
    const auto lines = lines_until(*engine, "bestmove");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "info string book move"), lines.end());
    EXPECT_EQ(test_support::best_move_of(lines), "a2a3");

    // A name that does not exist is reported, not taken for the shipped book.
    send_crlf(*engine, "setoption name BookFile value my files\\no such book.bin");
    send_crlf(*engine, "go depth 1");
    const auto without_book = lines_until(*engine, "bestmove");
    EXPECT_NE(std::find(without_book.begin(), without_book.end(),
                        "info string my files\\no such book.bin cannot be opened; playing "
                        "without a book"),
              without_book.end());
}

TEST(WineUci, FindsItsFilesInFoldersNamedBeyondAscii) {
    REQUIRE_WINDOWS_PROGRAMS();
    // A user's name with umlauts (in the ANSI code page) and one in Greek (only the folder's
    // short name spells it there).
    TempDir work;
    for (const char* name :
         {"J\xc3\xbcrgen M\xc3\xbcller", "\xce\x95\xce\xbb\xce\xad\xce\xbd\xce\xb7"}) {
        SCOPED_TRACE(name);
        const fs::path folder = fs::path(work.path()) / name;
        fs::create_directory(folder);
        for (const char* file : {"vantrek-uci.exe", "kelmora.ini", "Vantrek.book"})
            fs::copy_file(fs::path(FOLDER) / file, folder / file);
        TempDir empty;
        ChildProcess engine(WINE, {(folder / "vantrek-uci.exe").string()}, empty.path());
        EXPECT_EQ(info_strings(handshake(engine)), linux_weight_echo(shipped("kelmora.ini")));
        send_crlf(engine, "quit");
        EXPECT_EQ(engine.wait_exit(milliseconds(5000)), 0);
    }
}

// The xboard engine keeps its behaviour: the same conversation gives the Linux engine's
// answers, its files come from the working directory only, and CR LF ends a line as LF does.
TEST(WineXboard, AnswersAsTheLinuxEngineDoes) {
    REQUIRE_WINDOWS_PROGRAMS();
    const std::string conversation = "new\nforce\ne2e4\ne7e5\ne2e5\ng1f3\nfoo\ntime 100\nquit\n";
    std::string with_crlf;
    for (char c : conversation)
        with_crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const bool files : {true, false}) {
        SCOPED_TRACE(files ? "weight file and book in the working directory" : "no files there");
        TempDir directory;
        if (files) {
            directory.write_file("kelmora.ini", shipped("kelmora.ini"));
            directory.write_file("Vantrek.book", shipped("Vantrek.book"));
        }
        const auto on_linux =
            test_support::run_program(VANTREK_BINARY, {}, conversation, directory.path());
        auto on_windows =
            test_support::run_program(WINE, {FOLDER + "/vantrek.exe"}, with_crlf, directory.path());
        EXPECT_EQ(on_windows.exit_status, 0);
        // Every line ends in CR LF; without the CRs the answer is the Linux engine's, byte for
        // byte: the start-up echo (or "Kelmora.ini not found!", although the files lie beside
        // the program) and "Illegal move: e2e5" without a CR in it.
        std::string answer;
        for (size_t i = 0; i < on_windows.out.size(); ++i) {
            if (on_windows.out[i] == '\n') {
                EXPECT_TRUE(i > 0 && on_windows.out[i - 1] == '\r') << "a line ended by LF alone";
            }
            if (on_windows.out[i] != '\r') answer += on_windows.out[i];
        }
        EXPECT_EQ(answer, on_linux.out);
        EXPECT_NE(answer.find("Illegal move: e2e5\n"), std::string::npos);
        EXPECT_EQ(on_windows.err, on_linux.err);
    }
}

TEST(WineXboard, PlaysAGameAgainstTheLinuxEngine) {
    REQUIRE_WINDOWS_PROGRAMS();
    // Through the tests' own relay, each engine in a working directory with the shipped
    // files, 10 seconds each on the clock; the relay passes every move on, so any move the
    // Linux engine finds illegal, a lost clock or a crash ends the game with a problem.
    TempDir windows_directory, linux_directory;
    for (const TempDir* directory : {&windows_directory, &linux_directory}) {
        directory->write_file("kelmora.ini", shipped("kelmora.ini"));
        directory->write_file("Vantrek.book", shipped("Vantrek.book"));
    }
    const test_support::EngineSetup windows = {
        WINE, {FOLDER + "/vantrek.exe"}, windows_directory.path(), {}};
    const test_support::EngineSetup on_linux = {VANTREK_BINARY, {}, linux_directory.path(), {}};
    const auto game = test_support::play_game(windows, on_linux, 1000, 120);
    EXPECT_EQ(game.problem, "");
    EXPECT_GT(game.moves.size(), 10u);
    // Every move of the game, as played, is legal in sequence.
    test_support::set_up(START);
    for (std::string move : game.moves) {
        if (!move.empty() && move.back() == '\r') move.pop_back();
        Move parsed;
        ASSERT_TRUE(parse_user_move(move.c_str(), parsed)) << move;
        test_support::play(move);
    }
}

} // namespace
