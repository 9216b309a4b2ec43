// vantrek-perft <depth> [<FEN>] [--divide]
//
// Counts the leaves of the legal move tree the way the engine's search walks it: generate,
// make, move_was_legal, recurse, unmake, restore the key and en-passant square. Every leaf is
// made and tested; nothing is counted in bulk. Ends with "nodes", "time" and "nps" lines.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/game.h"
#include "board/keys.h"
#include "board/move_text.h"
#include "board/perft.h"

namespace {

[[noreturn]] void usage_error(const std::string& message) {
    std::fprintf(stderr, "vantrek-perft: %s (usage: vantrek-perft <depth> [<FEN>] [--divide])\n",
                 message.c_str());
    std::exit(2);
}

// Deep enough for any test; the game history must hold the whole path.
constexpr int MAX_PERFT_DEPTH = 20;

} // namespace

int main(int argument_count, char** arguments) {
    int depth = -1;
    bool show_divide = false;
    std::string fen(START_FEN);
    bool fen_given = false;
    for (int i = 1; i < argument_count; ++i) {
        const char* argument = arguments[i];
        if (std::strcmp(argument, "--divide") == 0) {
            show_divide = true;
        } else if (depth < 0) {
            char* end = nullptr;
            const long value = std::strtol(argument, &end, 10);
            if (end == argument || *end != '\0' || value < 1 || value > MAX_PERFT_DEPTH)
                usage_error(std::string("bad depth '") + argument + "'");
            depth = static_cast<int>(value);
        } else if (!fen_given) {
            fen = argument;
            fen_given = true;
        } else {
            usage_error(std::string("unexpected argument '") + argument + "'");
        }
    }
    if (depth < 0) usage_error("missing depth");

    init_keys();
    std::string error;
    if (!set_position_from_fen(fen, error)) usage_error("bad FEN: " + error);

    const auto start = std::chrono::steady_clock::now();
    const uint64_t nodes = show_divide
                               ? perft_divide(depth,
                                              [](const Move& move, uint64_t leaves) {
                                                  char text[MOVE_TEXT_SIZE];
                                                  format_move(text, move);
                                                  std::printf("%s %" PRIu64 "\n", text, leaves);
                                              })
                               : perft(depth);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("nodes %" PRIu64 "\n", nodes);
    std::printf("time %.3f\n", seconds);
    std::printf("nps %" PRIu64 "\n",
                seconds > 0 ? static_cast<uint64_t>(static_cast<double>(nodes) / seconds) : nodes);
    return 0;
}
