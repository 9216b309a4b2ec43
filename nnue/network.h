// The evaluation network of the strong search: (768 -> N) x 2 -> 1. One first layer, shared by
// both sides' views of the board, gives an accumulator of N values per side; the output layer
// reads the side to move's accumulator, then the other side's, each value clamped to 0..QA and
// squared. Weights are integers, as the trainer (tools/nnue) quantises them.
//
// The file: a 40-byte header (magic "VTNN", version, inputs, hidden size, activation, QA, QB,
// SCALE, payload size, FNV-1a checksum of the payload; all little endian), then the payload:
// int16 first-layer weights [768][N] (feature by feature), int16 first-layer biases [N], int16
// output weights [2N] (the side to move's half first), int32 output bias.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int32_t NNUE_INPUTS = 768;
inline constexpr int32_t NNUE_MIN_HIDDEN = 16;
inline constexpr int32_t NNUE_MAX_HIDDEN = 512;
// The quantisation: first-layer values in units of 1/QA, output weights in units of 1/QB; the
// network's output times SCALE is centipawns.
inline constexpr int32_t NNUE_QA = 255;
inline constexpr int32_t NNUE_QB = 64;
inline constexpr int32_t NNUE_SCALE = 400;
inline constexpr uint32_t NNUE_VERSION = 1;
inline constexpr uint32_t NNUE_ACTIVATION_SCRELU = 1;
inline constexpr size_t NNUE_HEADER_SIZE = 40;

struct Network {
    int32_t hidden = 0;               // 0: no network
    std::vector<int16_t> l1_weights;  // [NNUE_INPUTS][hidden]
    std::vector<int16_t> l1_bias;     // [hidden]
    std::vector<int16_t> out_weights; // [2 * hidden]
    int32_t out_bias = 0;
};

// The network the strong search evaluates with.
extern Network active_network;

// Reads a network file's bytes into `network`; false, with the reason, for bytes of another
// format, version or architecture, a wrong size or checksum. `network` is untouched then.
bool read_network(const uint8_t* bytes, size_t size, Network& network, std::string& error);

// Makes the network in `path` the active one; false, with the reason, when the file is missing
// or refused, and the active network stays.
bool load_network_file(const std::string& path, std::string& error);

// Makes the network built into the program the active one (false when the build has none).
bool use_embedded_network();

// The bytes of a network file for `network` (the tests write networks of their own).
std::vector<uint8_t> network_file_bytes(const Network& network);

// FNV-1a, 32 bits, the payload's checksum.
uint32_t network_checksum(const uint8_t* bytes, size_t size);
