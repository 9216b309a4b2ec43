// Leaf counts of the legal move tree, walked the way the search walks it: generate, make,
// move_was_legal, recurse, unmake, restore the key and en-passant square. Every leaf is made
// and tested, none counted in bulk. Used by the perft tool and the move-generation tests.
#pragma once

#include <cstdint>
#include <functional>

#include "board/position.h"

uint64_t perft(int depth);

// Counts like perft and reports every legal root move with the leaf count below it.
uint64_t perft_divide(int depth, const std::function<void(const Move&, uint64_t)>& report);
