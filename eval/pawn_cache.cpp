// The pawn-structure cache: one directly indexed slot per pawn key's low bits, the newest
// structure replacing the old. Search trees revisit few pawn structures, so a small table hits
// almost always.
#include "board/game.h"
#include "board/position.h"
#include "eval/pawn_structure.h"

namespace {

constexpr uint32_t PAWN_CACHE_SLOTS = 1u << 13;
PawnStructure pawn_cache[PAWN_CACHE_SLOTS];

// A side handed the move by hand can capture behind its own pawn and conjure up a pawn on
// unmake (see side_set_by_hand); such boards are described afresh and never stored.
PawnStructure unstored_structure;

} // namespace

const PawnStructure& find_pawn_structure() {
    if (side_set_by_hand) {
        describe_pawns(unstored_structure);
        return unstored_structure;
    }
    PawnStructure& slot = pawn_cache[pawn_key & (PAWN_CACHE_SLOTS - 1)];
    if (!slot.filled || slot.key != pawn_key) {
        describe_pawns(slot);
        slot.key = pawn_key;
        slot.filled = true;
    }
    return slot;
}
