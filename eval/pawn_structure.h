// What the evaluation takes from the pawns alone: the pawn-file summary that the piece and king
// terms read, and every phase's pawn terms. Both depend only on where the pawns stand (the
// colour counts read the move counts of pawn squares, and a pawn's square has a count of 0
// exactly while it stands on its start square), so they are cached by pawn_key and reused in
// every position with the same pawns. The pawn terms are kept as counts per weight rather than
// as scores, so that the cache never depends on the weights.
#pragma once

#include <cstdint>

#include "board/position.h"

// Files 1..8 are a..h; entries 0 and 9 are sentinels beside the a- and h-files that always read
// as a file without pawns, so a file's neighbours f - 1 and f + 1 can be read without a test.
inline constexpr int PAWN_FILE_ENTRIES = 10;

// One phase's pawn terms, white's minus black's: the table values and fixed amounts, and how
// many times each weight counts (a passed pawn counts its relative rank times).
struct PawnPhaseTerms {
    int16_t fixed;
    int16_t backward, isolated, exposed_backward, exposed_isolated;
    int16_t multiple, passed, connected_passed, outside_passed;
};

struct PawnStructure {
    uint64_t key; // pawn_key of the pawns described
    bool filled;  // false in a slot of the cache never written
    int8_t white_pawns_on_file[PAWN_FILE_ENTRIES];
    int8_t black_pawns_on_file[PAWN_FILE_ENTRIES];
    // Rank of the rearmost pawn of each file: white's lowest, black's highest. A file without
    // pawns reads 7 for white and 2 for black, as if its rearmost pawn stood right before
    // promotion.
    int8_t white_rear_rank[PAWN_FILE_ENTRIES];
    int8_t black_rear_rank[PAWN_FILE_ENTRIES];
    // Pawns that have moved (their square's move count is not 0), by square colour.
    uint8_t white_pawns_light, white_pawns_dark;
    uint8_t black_pawns_light, black_pawns_dark;
    uint8_t white_pawn_count, black_pawn_count;
    uint8_t pawn_total;      // pawns of both colours
    int16_t material;        // the pawns' material, white's minus black's
    PawnPhaseTerms terms[3]; // indexed by Phase
};

// The pawn-structure cache: one directly indexed slot per pawn key's low bits, the newest
// structure replacing the old. Search trees revisit few pawn structures, so a small table hits
// almost always. Each search thread has one; 8192 slots of about 110 bytes each.
struct PawnCache {
    static constexpr uint32_t SLOTS = 1u << 13;
    PawnStructure slots[SLOTS];
    // A side handed the move by hand can capture behind its own pawn and conjure up a pawn on
    // unmake (see side_set_by_hand); such boards are described afresh here and never stored.
    PawnStructure unstored;
};

// Describes the pawns of `pos` into `structure` (all but key and filled).
void describe_pawns(const Position& pos, PawnStructure& structure);

// The pawn structure of `pos`: from the cache when its pawns were seen before, described and
// stored otherwise.
const PawnStructure& find_pawn_structure(const Position& pos, PawnCache& cache);
