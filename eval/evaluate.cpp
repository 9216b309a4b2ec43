// The evaluation driver and the three phase evaluators.
#include "eval/evaluate.h"

#include "eval/terms.h"

int32_t root_non_pawn_count = 0;
int32_t eval_score;
SideWalk white_walk;
SideWalk black_walk;
uint64_t occupied_squares;

namespace {

int32_t for_side_to_move(int32_t white_score) {
    return side_to_move == 0 ? -white_score : white_score;
}

// The material and the phase-P terms of the piece on `square`; pawns take theirs from the pawn
// structure and are skipped here.
template <Phase P> inline void piece_terms(int square) {
    const int32_t code = board[square];
    if (code == WHITE_PAWN || code == BLACK_PAWN) return;
    const int rank = rank_of[square], file = file_of[square];
    eval_score += material_value[code];
    if constexpr (P == Phase::ENDGAME) ++piece_tally[code];
    switch (code) {
    case WHITE_KNIGHT: knight_terms<P, White>(square, rank, file); break;
    case BLACK_KNIGHT: knight_terms<P, Black>(square, rank, file); break;
    case WHITE_BISHOP: bishop_terms<P, White>(square, rank, file); break;
    case BLACK_BISHOP: bishop_terms<P, Black>(square, rank, file); break;
    case WHITE_ROOK: rook_terms<P, White>(rank, file); break;
    case BLACK_ROOK: rook_terms<P, Black>(rank, file); break;
    case WHITE_QUEEN: queen_terms<P, White>(square, rank, file); break;
    case BLACK_QUEEN: queen_terms<P, Black>(square, rank, file); break;
    case WHITE_KING: king_terms<P, White>(square, rank, file); break;
    case BLACK_KING: king_terms<P, Black>(square, rank, file); break;
    default: break;
    }
}

// One walk over the pieces: each piece but the pawns, whose material and terms come from the
// pawn structure in one sum. Every term of the walk is a sum or counts pieces of a kind, so
// the order of the walk does not matter. Walk counters start from 0 at every evaluation.
// Every occupied square: the pawns' from their structure, then each piece's.
void gather_occupied_squares() {
    uint64_t occupied = pawns->pawn_squares;
    for (int32_t k = 0; k < piece_slot_count; ++k)
        occupied |= square_bit[piece_list[piece_slots[k]]];
    if (promoted_pawns != 0) {
        for (int32_t k = 0; k < pawn_slot_count; ++k)
            occupied |= square_bit[piece_list[pawn_slots[k]]];
    }
    occupied_squares = occupied;
}

template <Phase P> void walk_pieces() {
    white_walk = {};
    black_walk = {};
    for (int32_t k = 0; k < piece_slot_count; ++k) {
        const int square = piece_list[piece_slots[k]];
        if (square != 0) piece_terms<P>(square); // 0: a hole left by a capture
    }
    // A promoted pawn's piece stands in a pawn's slot.
    if (promoted_pawns != 0) {
        for (int32_t k = 0; k < pawn_slot_count; ++k) {
            const int square = piece_list[pawn_slots[k]];
            if (square != 0) piece_terms<P>(square);
        }
    }
    eval_score += pawns->material + pawn_structure_score<P>();
    if constexpr (P == Phase::ENDGAME) {
        piece_tally[WHITE_PAWN] = pawns->white_pawn_count;
        piece_tally[BLACK_PAWN] = pawns->black_pawn_count;
    }
}

} // namespace

int32_t evaluate() {
    // Step 1. The pawn structure, from the cache when these pawns were seen before.
    scan_pawns();
    // Step 2. The phase evaluator for the pieces left; promotions do not change the phase.
    if (non_pawn_count >= OPENING_MINIMUM) return evaluate_opening();
    if (non_pawn_count >= MIDDLEGAME_MINIMUM) return evaluate_middlegame();
    return evaluate_endgame();
}

// The phase evaluators are compiled whole (every term inlined) and never inlined into their
// callers. Left to the link-time optimiser, how much got inlined depended on the size of the
// whole program, so the engine, the UCI engine and the bench each ran a differently compiled
// evaluation at a different speed; pinned, all three run the same code.
[[gnu::noinline, gnu::flatten]] int32_t evaluate_opening() {
    // Step 1. The pieces. Step 2. Blocked centre pawns, then kings on opposite wings.
    walk_pieces<Phase::OPENING>();
    blocked_centre_pawns();
    kings_on_opposite_wings<Phase::OPENING>();
    // Step 3. The side to move's point of view.
    return for_side_to_move(eval_score);
}

[[gnu::noinline, gnu::flatten]] int32_t evaluate_middlegame() {
    // Step 1. The pieces, summing the attack distances on the way; the bishops' mobility needs
    // every occupied square first.
    gather_occupied_squares();
    white_attack_distance = 0;
    black_attack_distance = 0;
    walk_pieces<Phase::MIDDLEGAME>();
    // Step 2. Blocked centre pawns, kings on opposite wings, then the attack distances weighted
    // by OFFENSIVENESS, which truncates the score and so must come last.
    blocked_centre_pawns();
    kings_on_opposite_wings<Phase::MIDDLEGAME>();
    apply_offensiveness();
    // Step 3. The side to move's point of view.
    return for_side_to_move(eval_score);
}

[[gnu::noinline, gnu::flatten]] int32_t evaluate_endgame() {
    // Step 1. The pieces, counted by kind for the material rules.
    for (uint8_t& count : piece_tally)
        count = 0;
    walk_pieces<Phase::ENDGAME>();
    // Step 2. Material rules: a drawn ending replaces the whole score by 0.
    endgame_material_rules();
    // Step 3. The side to move's point of view; a draw is 0 for either side.
    return for_side_to_move(eval_score);
}
