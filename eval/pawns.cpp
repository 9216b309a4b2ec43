// The pawn structure: the pawn-file summary and the pawn terms of every phase.
#include "eval/parameters.h"
#include "eval/terms.h"

namespace {

// A phase's weights for the pawn terms.
struct PawnWeights {
    const int32_t& isolated;
    const int32_t& exposed_isolated;
    const int32_t& backward;
    const int32_t& exposed_backward;
    const int32_t& multiple;
    const int32_t& passed;
    const int32_t& connected_passed;
};

template <Phase P> constexpr PawnWeights pawn_weights() {
    if constexpr (P == Phase::OPENING)
        return {OISOLATED_PAWN_PENALTY, OEXPOSED_ISOLATED_PAWN,  OBACKWARD_PAWN_PENALTY,
                OEXPOSED_BACKWARD_PAWN, OMULTIPLE_PAWNS_PENALTY, OPASSED_PAWN_BONUS,
                OCONNECTED_PASSED_PAWN};
    else if constexpr (P == Phase::MIDDLEGAME)
        return {MISOLATED_PAWN_PENALTY, MEXPOSED_ISOLATED_PAWN,  MBACKWARD_PAWN_PENALTY,
                MEXPOSED_BACKWARD_PAWN, MMULTIPLE_PAWNS_PENALTY, MPASSED_PAWN_BONUS,
                MCONNECTED_PASSED_PAWN};
    else
        return {EISOLATED_PAWN_PENALTY, EEXPOSED_ISOLATED_PAWN,  EBACKWARD_PAWN_PENALTY,
                EEXPOSED_BACKWARD_PAWN, EMULTIPLE_PAWNS_PENALTY, EPASSED_PAWN_BONUS,
                ECONNECTED_PASSED_PAWN};
}

// Fixed amounts of the pawn terms.
constexpr int32_t ENDGAME_PAWN_BONUS = 5;         // every pawn, on top of its table value
constexpr int32_t ISOLATED_AND_DOUBLED = 5;       // middlegame: an isolated pawn among several
constexpr int32_t ADVANCED_SUPPORTED_PASSER = 50; // endgame: supported passed pawn on rank 6, 7

// What one pawn is in the eyes of the pawn terms; the phases weigh the same facts differently.
struct PawnShape {
    int32_t relative;   // its rank counted from its own side
    int32_t file_mates; // own pawns on its file, itself included
    bool backward, isolated, exposed, passed;
};

template <typename Side> PawnShape shape_of_pawn(const PawnStructure& pawns, int rank, int file) {
    PawnShape shape{};
    shape.relative = Side::relative_rank(rank);
    // Step 1. Backward: behind the rearmost own pawn of both neighbouring files (a neighbour
    // without own pawns reads 7). Only a backward pawn can be isolated, so a lone pawn on its
    // seventh rank is neither.
    if (shape.relative < Side::own_rear(pawns, file - 1) &&
        shape.relative < Side::own_rear(pawns, file + 1)) {
        shape.backward = true;
        shape.isolated =
            Side::own_pawns(pawns, file - 1) == 0 && Side::own_pawns(pawns, file + 1) == 0;
    }
    // Step 2. Exposed: the weakness stands on a file the enemy's rooks can use.
    shape.exposed = Side::enemy_pawns(pawns, file) == 0;
    // Step 3. Several pawns on the file: every one of them pays for the others.
    shape.file_mates = Side::own_pawns(pawns, file);
    // Step 4. Passed: no enemy pawn on the file, and none on a neighbouring file further up
    // (one level with the pawn does not stop it).
    shape.passed = shape.exposed && shape.relative >= Side::enemy_rear(pawns, file - 1) &&
                   shape.relative >= Side::enemy_rear(pawns, file + 1);
    return shape;
}

// Adds one pawn's terms in phase P to `terms`, with `sign` +1 for white and -1 for black.
template <Phase P>
void add_pawn(PawnPhaseTerms& terms, const PawnShape& shape, int32_t table_value, int file,
              int32_t sign) {
    int32_t fixed = table_value;
    if constexpr (P == Phase::ENDGAME) fixed += ENDGAME_PAWN_BONUS;
    // In the opening a backward pawn still on its start rank is flagged but not penalised.
    if (shape.backward && (P != Phase::OPENING || shape.relative != 2)) terms.backward -= sign;
    if (shape.isolated) terms.isolated -= sign;
    if (shape.exposed) {
        if (shape.backward) terms.exposed_backward -= sign;
        if (shape.isolated) terms.exposed_isolated -= sign;
    }
    if (shape.file_mates > 1) {
        terms.multiple -= sign * (shape.file_mates - 1);
        if (P == Phase::MIDDLEGAME && shape.isolated) fixed -= ISOLATED_AND_DOUBLED;
    }
    if (shape.passed) {
        terms.passed += sign * shape.relative;
        if (!shape.isolated) {
            terms.connected_passed += sign;
            if (P == Phase::ENDGAME && shape.relative >= 6) fixed += ADVANCED_SUPPORTED_PASSER;
        }
        // A passed pawn on a wing file draws the enemy king away from the centre.
        if (P != Phase::OPENING && (file <= 2 || file >= 7)) terms.outside_passed += sign;
    }
    terms.fixed += sign * fixed;
}

template <Phase P> int32_t weighted_pawn_terms(const PawnPhaseTerms& terms) {
    constexpr PawnWeights weights = pawn_weights<P>();
    int32_t value =
        terms.fixed + terms.backward * weights.backward + terms.isolated * weights.isolated +
        terms.exposed_backward * weights.exposed_backward +
        terms.exposed_isolated * weights.exposed_isolated + terms.multiple * weights.multiple +
        terms.passed * weights.passed + terms.connected_passed * weights.connected_passed;
    if constexpr (P == Phase::MIDDLEGAME) value += terms.outside_passed * MOUTSIDE_PASSED_PAWN;
    if constexpr (P == Phase::ENDGAME) value += terms.outside_passed * EOUTSIDE_PASSED_PAWN;
    return value;
}

template <typename Side> void add_pawn_in_every_phase(PawnStructure& structure, int square) {
    const int file = file_of[square];
    const PawnShape shape = shape_of_pawn<Side>(structure, rank_of[square], file);
    const int32_t table_value = Side::pawn_table[square];
    add_pawn<Phase::OPENING>(structure.terms[0], shape, table_value, file, Side::SIGN);
    add_pawn<Phase::MIDDLEGAME>(structure.terms[1], shape, table_value, file, Side::SIGN);
    add_pawn<Phase::ENDGAME>(structure.terms[2], shape, table_value, file, Side::SIGN);
}

} // namespace

void describe_pawns(const Position& pos, PawnStructure& structure) {
    // Step 1. The file summary and the colour counts.
    for (int file = 0; file < PAWN_FILE_ENTRIES; ++file) {
        structure.white_pawns_on_file[file] = 0;
        structure.black_pawns_on_file[file] = 0;
        structure.white_rear_rank[file] = 7;
        structure.black_rear_rank[file] = 2;
    }
    structure.white_pawns_light = structure.white_pawns_dark = 0;
    structure.black_pawns_light = structure.black_pawns_dark = 0;
    for (PawnPhaseTerms& terms : structure.terms)
        terms = {};
    // Pawns stand only in pawn slots (a piece never becomes a pawn; a promoted pawn's piece keeps
    // the pawn's slot and is skipped here).
    int white_squares[16], black_squares[16];
    int white_count = 0, black_count = 0;
    for (int32_t k = 0; k < pos.pawn_slot_count; ++k) {
        const int square = pos.piece_list[pos.pawn_slots[k]];
        if (square == 0) continue; // a hole left by a capture
        const int32_t code = pos.board[square];
        if (code != WHITE_PAWN && code != BLACK_PAWN) continue;
        const int file = file_of[square], rank = rank_of[square];
        // A pawn still on its start square has a move count of 0 and does not count.
        const bool moved = pos.square_move_count[square] != 0;
        if (code == WHITE_PAWN) {
            white_squares[white_count++] = square;
            ++structure.white_pawns_on_file[file];
            if (rank < structure.white_rear_rank[file]) structure.white_rear_rank[file] = rank;
            if (moved)
                ++(light_square[square] ? structure.white_pawns_light : structure.white_pawns_dark);
        } else {
            black_squares[black_count++] = square;
            ++structure.black_pawns_on_file[file];
            if (rank > structure.black_rear_rank[file]) structure.black_rear_rank[file] = rank;
            if (moved)
                ++(light_square[square] ? structure.black_pawns_light : structure.black_pawns_dark);
        }
    }
    structure.white_pawn_count = static_cast<uint8_t>(white_count);
    structure.black_pawn_count = static_cast<uint8_t>(black_count);
    structure.pawn_total = static_cast<uint8_t>(white_count + black_count);
    structure.material =
        static_cast<int16_t>(material_value[WHITE_PAWN] * structure.white_pawn_count +
                             material_value[BLACK_PAWN] * structure.black_pawn_count);

    // Step 2. Every pawn's terms in every phase, read against that summary.
    for (int i = 0; i < white_count; ++i)
        add_pawn_in_every_phase<White>(structure, white_squares[i]);
    for (int i = 0; i < black_count; ++i)
        add_pawn_in_every_phase<Black>(structure, black_squares[i]);
}

void Evaluation::scan_pawns() {
    pawns = &find_pawn_structure(pos, pawn_cache);
    eval_score = 0;
}

template <Phase P> int32_t Evaluation::pawn_structure_score() const {
    return weighted_pawn_terms<P>(pawns->terms[static_cast<int>(P)]);
}
template int32_t Evaluation::pawn_structure_score<Phase::OPENING>() const;
template int32_t Evaluation::pawn_structure_score<Phase::MIDDLEGAME>() const;
template int32_t Evaluation::pawn_structure_score<Phase::ENDGAME>() const;

template <Phase P, typename Side> void Evaluation::pawn_terms(int square, int rank, int file) {
    PawnPhaseTerms terms{};
    add_pawn<P>(terms, shape_of_pawn<Side>(*pawns, rank, file), Side::pawn_table[square], file,
                Side::SIGN);
    eval_score += weighted_pawn_terms<P>(terms);
}

template void Evaluation::pawn_terms<Phase::OPENING, White>(int, int, int);
template void Evaluation::pawn_terms<Phase::OPENING, Black>(int, int, int);
template void Evaluation::pawn_terms<Phase::MIDDLEGAME, White>(int, int, int);
template void Evaluation::pawn_terms<Phase::MIDDLEGAME, Black>(int, int, int);
template void Evaluation::pawn_terms<Phase::ENDGAME, White>(int, int, int);
template void Evaluation::pawn_terms<Phase::ENDGAME, Black>(int, int, int);

// A centre pawn that has never moved, with anything on the square in front of it, shuts in its
// own bishop and cramps its side.
void Evaluation::blocked_centre_pawns() {
    constexpr int D2 = square_at(3, 1), E2 = square_at(4, 1);
    constexpr int D7 = square_at(3, 6), E7 = square_at(4, 6);
    constexpr int UP = 12;
    const int32_t* moves = pos.square_move_count;
    if (moves[D2] == 0 && pos.board[D2 + UP] != EMPTY) eval_score -= BLOCKED_CENTER_PAWN;
    if (moves[E2] == 0 && pos.board[E2 + UP] != EMPTY) eval_score -= BLOCKED_CENTER_PAWN;
    if (moves[D7] == 0 && pos.board[D7 - UP] != EMPTY) eval_score += BLOCKED_CENTER_PAWN;
    if (moves[E7] == 0 && pos.board[E7 - UP] != EMPTY) eval_score += BLOCKED_CENTER_PAWN;
}
