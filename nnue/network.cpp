#include "nnue/network.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "nnue/embedded_network.h"

Network active_network;

namespace {

uint32_t read_u32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

int16_t read_i16(const uint8_t* bytes) {
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | bytes[1] << 8));
}

void append_u32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<uint8_t>(value >> shift));
}

void append_i16s(std::vector<uint8_t>& bytes, const std::vector<int16_t>& values) {
    for (const int16_t value : values) {
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(value)));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8));
    }
}

size_t payload_size(int32_t hidden) {
    const size_t n = static_cast<size_t>(hidden);
    return 2 * (NNUE_INPUTS * n + n + 2 * n) + 4;
}

} // namespace

uint32_t network_checksum(const uint8_t* bytes, size_t size) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

bool read_network(const uint8_t* bytes, size_t size, Network& network, std::string& error) {
    // 1. The header: this format, this architecture, a payload of the size it names.
    if (size < NNUE_HEADER_SIZE || std::memcmp(bytes, "VTNN", 4) != 0) {
        error = "not a network file";
        return false;
    }
    const uint32_t version = read_u32(bytes + 4);
    const uint32_t inputs = read_u32(bytes + 8);
    const uint32_t hidden = read_u32(bytes + 12);
    const uint32_t activation = read_u32(bytes + 16);
    const uint32_t qa = read_u32(bytes + 20), qb = read_u32(bytes + 24),
                   scale = read_u32(bytes + 28);
    const uint32_t payload = read_u32(bytes + 32), checksum = read_u32(bytes + 36);
    if (version != NNUE_VERSION) {
        error = "network format version " + std::to_string(version) + ", not " +
                std::to_string(NNUE_VERSION);
        return false;
    }
    if (inputs != NNUE_INPUTS || hidden < NNUE_MIN_HIDDEN || hidden > NNUE_MAX_HIDDEN ||
        hidden % 16 != 0 || activation != NNUE_ACTIVATION_SCRELU || qa != NNUE_QA ||
        qb != NNUE_QB || scale != NNUE_SCALE) {
        error = "network of another architecture (" + std::to_string(inputs) + " -> " +
                std::to_string(hidden) + ")";
        return false;
    }
    if (payload != payload_size(static_cast<int32_t>(hidden)) ||
        size != NNUE_HEADER_SIZE + payload) {
        error = "network file of the wrong size (truncated or padded)";
        return false;
    }
    if (network_checksum(bytes + NNUE_HEADER_SIZE, payload) != checksum) {
        error = "network file damaged (checksum)";
        return false;
    }

    // 2. The weights.
    Network read;
    read.hidden = static_cast<int32_t>(hidden);
    const uint8_t* at = bytes + NNUE_HEADER_SIZE;
    auto take = [&at](std::vector<int16_t>& values, size_t count) {
        values.resize(count);
        for (size_t i = 0; i < count; ++i, at += 2)
            values[i] = read_i16(at);
    };
    take(read.l1_weights, NNUE_INPUTS * static_cast<size_t>(hidden));
    take(read.l1_bias, hidden);
    take(read.out_weights, 2 * static_cast<size_t>(hidden));
    read.out_bias = static_cast<int32_t>(read_u32(at));
    network = std::move(read);
    return true;
}

bool load_network_file(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + " cannot be opened";
        return false;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>()};
    if (!read_network(bytes.data(), bytes.size(), active_network, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool use_embedded_network() {
    std::string error;
    return EMBEDDED_NETWORK_SIZE > 0 &&
           read_network(EMBEDDED_NETWORK, EMBEDDED_NETWORK_SIZE, active_network, error);
}

std::vector<uint8_t> network_file_bytes(const Network& network) {
    std::vector<uint8_t> payload;
    append_i16s(payload, network.l1_weights);
    append_i16s(payload, network.l1_bias);
    append_i16s(payload, network.out_weights);
    append_u32(payload, static_cast<uint32_t>(network.out_bias));
    std::vector<uint8_t> bytes = {'V', 'T', 'N', 'N'};
    for (const uint32_t field :
         {NNUE_VERSION, static_cast<uint32_t>(NNUE_INPUTS), static_cast<uint32_t>(network.hidden),
          NNUE_ACTIVATION_SCRELU, static_cast<uint32_t>(NNUE_QA), static_cast<uint32_t>(NNUE_QB),
          static_cast<uint32_t>(NNUE_SCALE), static_cast<uint32_t>(payload.size()),
          network_checksum(payload.data(), payload.size())})
        append_u32(bytes, field);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}
