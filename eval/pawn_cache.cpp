// The pawn-structure cache (eval/pawn_structure.h).
#include "eval/pawn_structure.h"

const PawnStructure& find_pawn_structure(const Position& pos, PawnCache& cache) {
    if (pos.side_set_by_hand) {
        describe_pawns(pos, cache.unstored);
        return cache.unstored;
    }
    PawnStructure& slot = cache.slots[pos.pawn_key & (PawnCache::SLOTS - 1)];
    if (!slot.filled || slot.key != pos.pawn_key) {
        describe_pawns(pos, slot);
        slot.key = pos.pawn_key;
        slot.filled = true;
    }
    return slot;
}
