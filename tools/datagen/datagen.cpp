// vantrek-datagen: self-play games of the strong search at a fixed node count per move, every
// searched position written with its score and the game's result, for training the evaluation
// network (tools/nnue). Also converts the text data sets of earlier runs to the same records.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "board/attack.h"
#include "board/fen.h"
#include "board/game.h"
#include "board/keys.h"
#include "book/book.h"
#include "eval/evaluate.h"
#include "eval/parameter_file.h"
#include "nnue/accumulator.h"
#include "nnue/network.h"
#include "search/scores.h"
#include "search/strong/root.h"
#include "search/strong/search.h"
#include "search/strong/thread.h"
#include "search/strong/threads.h"
#include "search/strong/time_management.h"
#include "search/transposition.h"
#include "tools/datagen/selfplay.h"
#include "tools/datagen/training_record.h"

namespace {

const char* const USAGE =
    "usage: vantrek-datagen --output FILE [--positions N] [--jobs J] [--seed S] [--nodes N]\n"
    "                       [--hash MB] [--weights FILE] [--book FILE] [--book-plies N]\n"
    "                       [--random-plies N] [--network FILE|built-in|none]\n"
    "       vantrek-datagen convert TEXT_FILE OUTPUT_FILE\n"
    "Plays games until OUTPUT_FILE holds N positions (default 1000000), appending to what it\n"
    "holds; J processes play at once. The same seed gives the same games, and a run that was\n"
    "stopped goes on where it stopped. 'convert' turns lines '<FEN> | <centipawns, white's\n"
    "view> | <1.0, 0.5 or 0.0>' into records.\n";

struct Options {
    std::string output;
    int64_t positions = 1000000;
    int32_t jobs = 1;
    uint64_t seed = 1;
    int32_t hash_megabytes = 16;
    std::string weights = "kelmora.ini";
    std::string book = "Vantrek.book";
    std::string network = "built-in";
    SelfPlaySettings settings;
};

[[noreturn]] void usage_error(const std::string& message) {
    std::fprintf(stderr, "vantrek-datagen: %s\n%s", message.c_str(), USAGE);
    std::exit(2);
}

int64_t number_option(const char* name, const char* text, int64_t low, int64_t high) {
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high)
        usage_error(std::string(name) + " needs a whole number from " + std::to_string(low) +
                    " to " + std::to_string(high));
    return value;
}

Options read_options(int count, char** arguments) {
    Options options;
    for (int i = 1; i < count; ++i) {
        const std::string name = arguments[i];
        if (i + 1 >= count) usage_error(name + " needs a value");
        const char* value = arguments[++i];
        if (name == "--output")
            options.output = value;
        else if (name == "--positions")
            options.positions = number_option("--positions", value, 1, INT64_C(1) << 40);
        else if (name == "--jobs")
            options.jobs = static_cast<int32_t>(number_option("--jobs", value, 1, 64));
        else if (name == "--seed")
            options.seed = static_cast<uint64_t>(number_option("--seed", value, 0, INT64_MAX));
        else if (name == "--nodes")
            options.settings.nodes = number_option("--nodes", value, 1, INT64_C(1) << 40);
        else if (name == "--hash")
            options.hash_megabytes = static_cast<int32_t>(number_option("--hash", value, 1, 1024));
        else if (name == "--weights")
            options.weights = value;
        else if (name == "--book")
            options.book = value;
        else if (name == "--network")
            options.network = value;
        else if (name == "--book-plies")
            options.settings.book_plies =
                static_cast<int32_t>(number_option("--book-plies", value, 0, 40));
        else if (name == "--random-plies")
            options.settings.random_plies =
                static_cast<int32_t>(number_option("--random-plies", value, 0, 40));
        else
            usage_error("unknown option " + name);
    }
    if (options.output.empty()) usage_error("--output is needed");
    return options;
}

// The book, read once and held in memory for the openings' probes.
std::string book_bytes;
bool hold_book(const char*, std::string_view& bytes) {
    if (book_bytes.empty()) return false;
    bytes = book_bytes;
    return true;
}

void load_weights_or_exit(const std::string& path) {
    std::ifstream probe(path);
    if (!probe) {
        std::fprintf(stderr, "vantrek-datagen: weight file %s cannot be opened\n", path.c_str());
        std::exit(1);
    }
    load_parameters_from(path.c_str());
}

int64_t file_records(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return 0;
    return static_cast<int64_t>(status.st_size) / static_cast<int64_t>(sizeof(TrainingRecord));
}

// The games each job has already written (the game-start record carries the job's number), and
// a trailing partial record cut off, so that a stopped run goes on where it stopped.
std::vector<uint64_t> games_written(const Options& options) {
    std::vector<uint64_t> games(static_cast<size_t>(options.jobs), 0);
    std::FILE* file = std::fopen(options.output.c_str(), "rb");
    if (file == nullptr) return games;
    TrainingRecord record;
    while (std::fread(&record, sizeof record, 1, file) == 1)
        if ((record.flags & RECORD_GAME_START) != 0 && record.reserved < options.jobs)
            ++games[record.reserved];
    std::fclose(file);
    const int64_t whole = file_records(options.output) * static_cast<int64_t>(sizeof record);
    if (truncate(options.output.c_str(), whole) != 0) {
        std::fprintf(stderr, "vantrek-datagen: %s cannot be trimmed to whole records\n",
                     options.output.c_str());
        std::exit(1);
    }
    return games;
}

void report_progress(const Options& options, int64_t start_records,
                     std::chrono::steady_clock::time_point start) {
    const int64_t now_records = file_records(options.output);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double rate =
        seconds > 0 ? static_cast<double>(now_records - start_records) / seconds : 0;
    const double left = rate > 0 ? static_cast<double>(options.positions - now_records) / rate : 0;
    std::fprintf(stderr,
                 "%" PRId64 " positions (%" PRId64 " this run), %.0f positions/s, %.0f an hour, "
                 "%02d:%02d:%02d left\n",
                 now_records, now_records - start_records, rate, rate * 3600,
                 static_cast<int>(left / 3600), static_cast<int>(left / 60) % 60,
                 static_cast<int>(left) % 60);
}

// One job: game after game of its own series, each appended whole in one write, until the file
// holds enough positions.
// A job that is the program's only process (where there is no fork) reports the progress itself,
// every ten seconds.
[[noreturn]] void run_job(const Options& options, int32_t job, uint64_t first_game,
                          bool reports = false) {
    const int64_t start_records = file_records(options.output);
    const auto start = std::chrono::steady_clock::now();
    auto reported = start;
    const int descriptor = open(options.output.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (descriptor < 0) {
        std::fprintf(stderr, "vantrek-datagen: %s cannot be opened\n", options.output.c_str());
        std::_Exit(1);
    }
    std::vector<TrainingRecord> records;
    const uint64_t series = options.seed * 1000 + static_cast<uint64_t>(job);
    for (uint64_t game = first_game; file_records(options.output) < options.positions; ++game) {
        records.clear();
        if (play_self_play_game(series, game, options.settings, records) == 0) continue;
        records.front().reserved = static_cast<uint8_t>(job);
        const size_t bytes = records.size() * sizeof(TrainingRecord);
        if (write(descriptor, records.data(), bytes) != static_cast<ssize_t>(bytes)) {
            std::fprintf(stderr, "vantrek-datagen: writing %s failed\n", options.output.c_str());
            std::_Exit(1);
        }
        if (reports && std::chrono::steady_clock::now() - reported >= std::chrono::seconds(10)) {
            reported = std::chrono::steady_clock::now();
            report_progress(options, start_records, start);
        }
    }
    if (reports) report_progress(options, start_records, start);
    close(descriptor);
    std::_Exit(0);
}

int generate(const Options& options) {
    prepare_self_play(options.hash_megabytes);
    load_weights_or_exit(options.weights);
    // The evaluation the games are played with: a network, or the hand-written one.
    std::string error;
    if (options.network == "built-in")
        nnue_enabled = use_embedded_network();
    else if (options.network != "none" && !load_network_file(options.network, error))
        usage_error(error);
    else
        nnue_enabled = options.network != "none";
    std::fprintf(
        stderr, "vantrek-datagen: evaluating with %s\n",
        nnue_enabled
            ? ("a network of " + std::to_string(active_network.hidden) + " hidden units").c_str()
            : "the hand-written evaluation");
    std::ifstream book(options.book, std::ios::binary);
    book_bytes.assign(std::istreambuf_iterator<char>(book), std::istreambuf_iterator<char>());
    if (book_bytes.empty()) {
        std::fprintf(stderr, "vantrek-datagen: no book at %s; openings are random moves only\n",
                     options.book.c_str());
    } else {
        book_file_name = options.book;
        held_book_bytes = hold_book;
    }
    Options run = options;
    if (book_bytes.empty()) run.settings.book_plies = 0;

    const std::vector<uint64_t> games = games_written(options);
    const int64_t start_records = file_records(options.output);
    if (start_records >= options.positions) {
        std::fprintf(stderr, "vantrek-datagen: %s already holds %" PRId64 " positions\n",
                     options.output.c_str(), start_records);
        return 0;
    }
#if defined(_WIN32)
    if (options.jobs > 1) usage_error("--jobs above 1 needs a system with fork()");
    run_job(run, 0, games[0], true);
#else
    const auto start = std::chrono::steady_clock::now();
    std::vector<pid_t> children;
    for (int32_t job = 0; job < options.jobs; ++job) {
        const pid_t child = fork();
        if (child < 0) {
            std::perror("vantrek-datagen: fork");
            return 1;
        }
        if (child == 0) run_job(run, job, games[static_cast<size_t>(job)]);
        children.push_back(child);
    }
    // The jobs write; the parent reports every ten seconds until they are done.
    int failures = 0;
    size_t running = children.size();
    while (running > 0) {
        for (int tick = 0; tick < 100 && running > 0; ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            int status = 0;
            pid_t done;
            while ((done = waitpid(-1, &status, WNOHANG)) > 0) {
                --running;
                if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failures;
            }
        }
        report_progress(options, start_records, start);
    }
    return failures == 0 ? 0 : 1;
#endif
}

// The text data sets: "<FEN> | <centipawns, white's view> | <result>". A position counts as
// noisy when the quiescence search finds more than its static evaluation.
int convert(const std::string& input, const std::string& output) {
    init_keys();
    tt_allocate();
    new_game();
    load_parameters_from("kelmora.ini");
    std::ifstream text(input);
    if (!text) {
        std::fprintf(stderr, "vantrek-datagen: %s cannot be opened\n", input.c_str());
        return 1;
    }
    std::FILE* out = std::fopen(output.c_str(), "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "vantrek-datagen: %s cannot be written\n", output.c_str());
        return 1;
    }
    init_strong_search();
    std::vector<TrainingRecord> records;
    int64_t line_number = 0, skipped = 0;
    for (std::string line; std::getline(text, line);) {
        ++line_number;
        const size_t bar = line.find('|'), second = line.find('|', bar + 1);
        std::string error;
        if (bar == std::string::npos || second == std::string::npos ||
            !set_position_from_fen(line.substr(0, bar), error)) {
            ++skipped;
            continue;
        }
        const int32_t centipawns = std::atoi(line.c_str() + bar + 1);
        const double result = std::atof(line.c_str() + second + 1);
        TrainingRecord record = pack_current_position();
        record.score = static_cast<int16_t>(
            std::clamp<int32_t>(centipawns, -RECORD_MATE_CENTIPAWNS, RECORD_MATE_CENTIPAWNS));
        if (std::abs(centipawns) >= RECORD_MATE_CENTIPAWNS) record.flags |= RECORD_MATE_SCORE;
        record.result = result > 0.75   ? RESULT_WHITE_WINS
                        : result < 0.25 ? RESULT_BLACK_WINS
                                        : RESULT_DRAW;
        const size_t move_number_at = line.find_last_of(' ', bar - 2);
        const int32_t move_number = std::max(1, std::atoi(line.c_str() + move_number_at + 1));
        record.ply = static_cast<uint16_t>(
            std::min(2 * (move_number - 1) + (side_to_move == 1 ? 0 : 1), 65535));
        if ((record.flags & RECORD_IN_CHECK) == 0) {
            SearchThread& thread = main_search_thread();
            thread.copy_from(game_position);
            thread.ply = 1;
            thread.node_count = 0;
            thread.strong_stopped = false;
            thread.strong_next_check = INT64_MAX;
            const int32_t static_eval = evaluate();
            if (thread.strong_quiesce(-INFINITE_SCORE, INFINITE_SCORE, 0) > static_eval)
                record.flags |= RECORD_NOISY;
        }
        records.push_back(record);
        if (records.size() == 65536) {
            if (!write_records(out, records)) break;
            records.clear();
        }
    }
    const bool written = write_records(out, records) && std::fclose(out) == 0;
    if (!written) {
        std::fprintf(stderr, "vantrek-datagen: writing %s failed\n", output.c_str());
        return 1;
    }
    std::fprintf(stderr, "%" PRId64 " lines, %" PRId64 " skipped as unreadable\n", line_number,
                 skipped);
    return 0;
}

} // namespace

int main(int count, char** arguments) {
    if (count > 1 && std::strcmp(arguments[1], "convert") == 0) {
        if (count != 4) usage_error("convert needs a text file and an output file");
        return convert(arguments[2], arguments[3]);
    }
    if (count > 1 && (std::strcmp(arguments[1], "--help") == 0)) {
        std::printf("%s", USAGE);
        return 0;
    }
    return generate(read_options(count, arguments));
}
