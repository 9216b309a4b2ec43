// The strong search's use of the shared transposition table: the same entries and the same
// slot per key, but the probe hands back the stored score and bound as they are (the node
// decides about a cutoff), and the store replaces by its own rule.
#pragma once

#include <cstdint>

#include "board/position.h"

struct TableHit {
    bool found = false;
    int32_t depth = 0;
    int32_t score = 0; // mate scores counted from the root again
    uint8_t bound = 0;
    Move move = NULL_MOVE;
};

// The entry of the position with `key`, if the slot holds it; `ply` counts mate scores from the
// root.
TableHit strong_tt_probe(uint64_t key, int32_t ply);

// Stores the result of a node at `ply` of the position with `key`. A result of the main search
// always takes a slot holding another position: without an age in the entries, a depth-preferred
// slot would fill up with the deep results of earlier moves that no search reaches again. The same
// position keeps a much deeper result unless the new one is exact, and keeps its move when the
// new result has none.
void strong_tt_store(uint64_t key, int32_t ply, int32_t depth, int32_t score, uint8_t bound,
                     const Move& move);
