// The network built into the programs (nnue/vantrek.nnue at build time; the build writes its
// bytes into a source file of its own). Its size is 0 when the build had none.
#pragma once

#include <cstddef>
#include <cstdint>

extern const uint8_t EMBEDDED_NETWORK[];
extern const size_t EMBEDDED_NETWORK_SIZE;
