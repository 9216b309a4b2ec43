#include "protocol/startup.h"

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/game.h"
#include "board/keys.h"
#include "board/position.h"
#include "book/book.h"
#include "eval/parameter_file.h"
#include "protocol/command_loop.h"
#include "search/transposition.h"

namespace {

void lower_case_in_place(char* text) {
    for (; *text != '\0'; ++text)
        *text = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
}

// The size as atol reads it (leading blanks, a sign, digits; anything else ends the number and
// no digits give 0), but saturating instead of overflowing on absurdly long numbers.
long read_hash_size(const char* text) {
    return std::strtol(text, nullptr, 10);
}

} // namespace

void parse_command_line(int argument_count, char** arguments) {
    for (int i = 1; i < argument_count; ++i) {
        char* option = arguments[i];
        lower_case_in_place(option);
        if (std::strcmp(option, "-hash") != 0 && std::strcmp(option, "/hash") != 0) {
            std::fprintf(stderr, "\nUnrecognized command line argument: %s\n\n", option);
            continue;
        }
        if (i + 1 >= argument_count) {
            std::fprintf(stderr, "You must specify a hash size: Vantrek -hash <size>\n");
            exit_engine(1);
        }
        const long size = read_hash_size(arguments[++i]);
        // Sizes beyond MAX_HASH_SIZE do not fit the table's sizing arithmetic.
        if (size < 0 || size > MAX_HASH_SIZE) {
            std::fprintf(stderr, "Illegal hash table size!\n");
            exit_engine(1);
        }
        hash_size = static_cast<int32_t>(size);
    }
}

void start_engine(int argument_count, char** arguments) {
    parse_command_line(argument_count, arguments);
    init_keys();
    tt_allocate();
    new_game();
    init_book_index_mask();
    // The weights are read once, here; "new" does not read them again.
    load_parameters();
    force_mode = 0;
    engine_side = 0; // the engine plays black until told otherwise
    // Unbuffered from here on: every line reaches the interface at once.
    std::setbuf(stdout, nullptr);
    std::setbuf(stdin, nullptr);
    // An interface may send an interrupt; it must not end the engine.
    std::signal(SIGINT, SIG_IGN);
    std::printf("\n");
}

void (*exit_engine_hook)(int status) = nullptr;

void exit_engine(int status) {
    if (exit_engine_hook != nullptr) exit_engine_hook(status);
    tt_release();
    std::exit(status);
}
