// The evaluation driver and the three phase evaluators.
#include "eval/evaluate.h"

#include "eval/terms.h"

int32_t root_non_pawn_count = 0;
int32_t eval_score;
SideWalk white_walk;
SideWalk black_walk;

namespace {

int32_t for_side_to_move(int32_t white_score) {
    return side_to_move == 0 ? -white_score : white_score;
}

// One walk over the piece list in slot order, each piece to its handler for phase P. Walk
// counters start from 0 at every evaluation.
template <Phase P> void walk_pieces() {
    white_walk = {};
    black_walk = {};
    for (int slot = 1; slot <= piece_count; ++slot) {
        const int square = piece_list[slot];
        if (square == 0) continue; // a hole left by a capture
        const int32_t code = board[square];
        const int rank = rank_of[square], file = file_of[square];
        if constexpr (P == Phase::ENDGAME) ++piece_tally[code];
        switch (code) {
        case WHITE_PAWN: pawn_terms<P, White>(square, rank, file); break;
        case BLACK_PAWN: pawn_terms<P, Black>(square, rank, file); break;
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
}

} // namespace

// Cached evaluation terms depend on the weights.
void eval_weights_changed() {}

int32_t evaluate() {
    // Step 1. Pawn-file summary, and the material balance in the same pass.
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
    // Step 1. The pieces, summing the attack distances on the way.
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
