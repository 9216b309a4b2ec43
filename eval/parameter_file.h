// The evaluation weight file, "kelmora.ini": read once at start-up and echoed on standard
// output, so the operator sees the weights in force.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

// One item of the file: its scanf-style format ("KEY=%d\n", or "%f" for the one float weight),
// the weight it sets, and whether the echo shows it.
struct ParameterItem {
    const char* format;
    int32_t* integer; // the weight of a "%d" item
    float* real;      // the weight of the "%f" item
    bool echoed;
};

inline constexpr int PARAMETER_COUNT = 51;
extern const std::array<ParameterItem, PARAMETER_COUNT> PARAMETER_ITEMS;

// Read weights are clamped to these bounds; see parameter_file.cpp for why.
inline constexpr int32_t WEIGHT_LIMIT = 1000;
inline constexpr float OFFENSIVENESS_LIMIT = 100.0f;

// Opens "kelmora.ini" in the current directory, reads its items in order and echoes the
// weights, or prints "Kelmora.ini not found!" when it cannot be opened.
void load_parameters();

// Reads the items from an open stream into the weights, as load_parameters does. An item that
// does not match where it is expected leaves its weight unchanged, and what matched of it stays
// consumed, so the items after it may fail too.
void read_parameters(std::FILE* stream);

// The weights in file order with the items' own formats, then the success line.
std::string parameter_echo();
void echo_parameters(); // prints parameter_echo()

// The weights as a complete weight file: every item in the reader's order and with its format,
// DOUBLED_ROOKS included, so that read_parameters reads back the same weights.
std::string parameter_file_text();

// Sets every weight to 0, then reads the weight file `file_name`; returns what the engine says
// about it: the echo, or "Kelmora.ini not found!" when it cannot be opened.
std::string load_parameters_from(const char* file_name);

// The same for a weight file already open as `stream` (left open): every weight to 0, the
// items read, the echo returned.
std::string load_parameters_from_stream(std::FILE* stream);
