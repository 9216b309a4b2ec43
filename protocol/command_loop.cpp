#include "protocol/command_loop.h"

#include <cctype>
#include <climits>
#include <cstring>

#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/position.h"
#include "protocol/engine_turn.h"
#include "protocol/startup.h"
#include "search/transposition.h"

uint8_t engine_side = 0;
uint8_t force_mode = 0;
uint8_t post_flag = 1;

namespace {

bool starts_with(const char* line, const char* keyword) {
    return std::strncmp(line, keyword, std::strlen(keyword)) == 0;
}

bool is(const char* line, const char* keyword) {
    return std::strcmp(line, keyword) == 0;
}

// "time" and "otim": the number starts at the sixth character, after the keyword and one
// separator. A line without a number there leaves the clock as it was.
void read_clock(const char* line, int32_t& clock) {
    if (std::strlen(line) < 5) return;
    long centiseconds;
    if (std::sscanf(line + 5, "%ld", &centiseconds) != 1) return;
    if (centiseconds > INT32_MAX) centiseconds = INT32_MAX;
    if (centiseconds < INT32_MIN) centiseconds = INT32_MIN;
    clock = static_cast<int32_t>(centiseconds);
}

void play_user_move(const char* line) {
    Move move;
    if (!parse_user_move(line, move)) {
        std::printf("Illegal move: %s\n", line);
        return;
    }
    if (!game_history_has_room()) {
        std::printf("Illegal move (game too long): %s\n", line);
        return;
    }
    make_move(&move, 0);
    rebuild_piece_list();
}

void start_new_game_as_black() {
    new_game();
    force_mode = 0;
    engine_side = 0;
}

} // namespace

bool read_line(char* buffer, int size, std::FILE* stream) {
    int stored = 0;
    int c;
    bool read_anything = false;
    while ((c = std::getc(stream)) != EOF) {
        read_anything = true;
        if (c == '\n') break;
        if (stored < size - 1) buffer[stored++] = static_cast<char>(c);
    }
    if (stored > 0 && buffer[stored - 1] == '\r' && c == '\n') --stored;
    buffer[stored] = '\0';
    return read_anything;
}

bool looks_like_move(const char* text) {
    auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    return letter(text[0]) && digit(text[1]) && letter(text[2]) && digit(text[3]);
}

void handle_line(const char* line) {
    if (looks_like_move(line)) {
        play_user_move(line);
        return;
    }
    if (starts_with(line, "time")) {
        read_clock(line, engine_clock);
    } else if (starts_with(line, "otim")) {
        read_clock(line, opponent_clock);
    } else if (is(line, "white")) {
        hand_move_to(1);
        engine_side = 0;
    } else if (is(line, "black")) {
        hand_move_to(0);
        engine_side = 1;
    } else if (is(line, "go")) {
        engine_side = static_cast<uint8_t>(side_to_move);
        force_mode = 0;
    } else if (starts_with(line, "result")) {
        start_new_game_as_black();
    } else if (is(line, "?") || is(line, "hard") || is(line, "easy") || is(line, "xboard") ||
               is(line, "random") || starts_with(line, "level")) {
        // Accepted and ignored: the clock works from "time" and "otim" alone, and input is
        // not read while the engine thinks.
    } else if (is(line, "post")) {
        post_flag = 1;
    } else if (is(line, "nopost")) {
        post_flag = 0;
    } else if (is(line, "force")) {
        force_mode = 1;
    } else if (is(line, "quit")) {
        exit_engine(0);
    } else if (is(line, "new")) {
        new_game();
        tt_clear();
        force_mode = 0;
        engine_side = 0;
    }
}

void command_loop() {
    char line[INPUT_LINE_SIZE];
    for (;;) {
        engine_turn();
        if (!read_line(line, INPUT_LINE_SIZE, stdin)) exit_engine(0);
        handle_line(line);
    }
}
