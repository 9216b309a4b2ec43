// The evaluation driver and the three phase evaluators.
#include "eval/evaluate.h"

#include <bit>

#include "eval/terms.h"

int32_t root_non_pawn_count = 0;

namespace {

int32_t for_side_to_move(const Position& pos, int32_t white_score) {
    return pos.side_to_move == 0 ? -white_score : white_score;
}

} // namespace

// The material and phase-P terms of every piece of one code, from the board's set of its
// squares. (Counted here rather than by a population count, which this build's target has only
// as a library call.)
template <Phase P, typename Side, int32_t CODE> void Evaluation::terms_of_code() {
    int32_t count = 0;
    for (uint64_t bits = pos.squares_of[CODE]; bits != 0; bits &= bits - 1) {
        ++count;
        const int square = square_of_bit[std::countr_zero(bits)];
        const int rank = rank_of[square], file = file_of[square];
        if constexpr (CODE == WHITE_KNIGHT || CODE == BLACK_KNIGHT)
            knight_terms<P, Side>(square, rank, file);
        else if constexpr (CODE == WHITE_BISHOP || CODE == BLACK_BISHOP)
            bishop_terms<P, Side>(square, rank, file);
        else if constexpr (CODE == WHITE_ROOK || CODE == BLACK_ROOK)
            rook_terms<P, Side>(rank, file);
        else if constexpr (CODE == WHITE_QUEEN || CODE == BLACK_QUEEN)
            queen_terms<P, Side>(square, rank, file);
        else
            king_terms<P, Side>(square, rank, file);
    }
    eval_score += material_value[CODE] * count;
    if constexpr (P == Phase::ENDGAME) piece_tally[CODE] = static_cast<uint8_t>(count);
}

// One walk over the pieces: each piece but the pawns, whose material and terms come from the
// pawn structure in one sum. Every term of the walk is a sum or counts pieces of a kind, so the
// order of the walk does not matter: each code's pieces are read from the board's set of its
// squares and scored in a loop of their own (a jump on every piece's code was mispredicted again
// and again). Walk counters start from 0 at every evaluation.
template <Phase P> void Evaluation::walk_pieces() {
    white_walk = {};
    black_walk = {};
    // Step 1. Material and terms, code by code.
    terms_of_code<P, White, WHITE_KNIGHT>();
    terms_of_code<P, Black, BLACK_KNIGHT>();
    terms_of_code<P, White, WHITE_BISHOP>();
    terms_of_code<P, Black, BLACK_BISHOP>();
    terms_of_code<P, White, WHITE_ROOK>();
    terms_of_code<P, Black, BLACK_ROOK>();
    terms_of_code<P, White, WHITE_QUEEN>();
    terms_of_code<P, Black, BLACK_QUEEN>();
    terms_of_code<P, White, WHITE_KING>();
    terms_of_code<P, Black, BLACK_KING>();
    // Step 2. The pawns.
    eval_score += pawns->material + pawn_structure_score<P>();
    if constexpr (P == Phase::ENDGAME) {
        piece_tally[WHITE_PAWN] = pawns->white_pawn_count;
        piece_tally[BLACK_PAWN] = pawns->black_pawn_count;
    }
}

int32_t evaluate(const Position& pos, PawnCache& pawn_cache) {
    Evaluation evaluation(pos, pawn_cache);
    return evaluation.evaluate();
}

int32_t Evaluation::evaluate() {
    // Step 1. The pawn structure, from the cache when these pawns were seen before.
    scan_pawns();
    // Step 2. The phase evaluator for the pieces left; promotions do not change the phase.
    if (pos.non_pawn_count >= OPENING_MINIMUM) return evaluate_opening();
    if (pos.non_pawn_count >= MIDDLEGAME_MINIMUM) return evaluate_middlegame();
    return evaluate_endgame();
}

// The phase evaluators are compiled whole (every term inlined) and never inlined into their
// callers. Left to the link-time optimiser, how much got inlined depended on the size of the
// whole program, so the engine, the UCI engine and the bench each ran a differently compiled
// evaluation at a different speed; pinned, all three run the same code.
[[gnu::noinline, gnu::flatten]] int32_t Evaluation::evaluate_opening() {
    // Step 1. The pieces. Step 2. Blocked centre pawns, then kings on opposite wings.
    walk_pieces<Phase::OPENING>();
    blocked_centre_pawns();
    kings_on_opposite_wings<Phase::OPENING>();
    // Step 3. The side to move's point of view.
    return for_side_to_move(pos, eval_score);
}

[[gnu::noinline, gnu::flatten]] int32_t Evaluation::evaluate_middlegame() {
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
    return for_side_to_move(pos, eval_score);
}

[[gnu::noinline, gnu::flatten]] int32_t Evaluation::evaluate_endgame() {
    // Step 1. The pieces, counted by kind for the material rules.
    walk_pieces<Phase::ENDGAME>();
    // Step 2. Material rules: a drawn ending replaces the whole score by 0.
    endgame_material_rules();
    // Step 3. The side to move's point of view; a draw is 0 for either side.
    return for_side_to_move(pos, eval_score);
}
