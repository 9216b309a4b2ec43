// The command loop: the engine's turn, then one line of the xboard protocol, forever.
#pragma once

#include <cstdint>
#include <cstdio>

#include "base/engine_state.h"
#include "search/clock.h" // the clocks "time" and "otim" set

extern uint8_t engine_side; // 1 white, 0 black; compared with side_to_move
extern uint8_t force_mode;  // set: the engine never moves on its own

inline constexpr int INPUT_LINE_SIZE = 256;

// Reads one line into `buffer`: at most size - 1 characters are kept, the rest of an overlong
// line is read and dropped; the line feed and a carriage return just before it are not part of
// the line. Returns false when the stream has ended and nothing was read.
bool read_line(char* buffer, int size, std::FILE* stream);

// A letter, a digit, a letter and a digit: the shape of a move in coordinate notation.
bool looks_like_move(const char* text);

// Handles one input line: plays a move or carries out a command.
void handle_line(const char* line);

// Runs until "quit" or the end of standard input.
[[noreturn]] void command_loop();
