// The pawn-file summary and the pawn-structure terms.
#include "eval/parameters.h"
#include "eval/terms.h"

int32_t white_pawns_on_file[PAWN_FILE_ENTRIES];
int32_t black_pawns_on_file[PAWN_FILE_ENTRIES];
int32_t white_rear_rank[PAWN_FILE_ENTRIES];
int32_t black_rear_rank[PAWN_FILE_ENTRIES];
uint8_t white_pawns_light;
uint8_t white_pawns_dark;
uint8_t black_pawns_light;
uint8_t black_pawns_dark;
uint8_t pawn_total;

void scan_pawns() {
    for (int file = 0; file < PAWN_FILE_ENTRIES; ++file) {
        white_pawns_on_file[file] = 0;
        black_pawns_on_file[file] = 0;
        white_rear_rank[file] = 7;
        black_rear_rank[file] = 2;
    }
    white_pawns_light = white_pawns_dark = black_pawns_light = black_pawns_dark = 0;
    pawn_total = 0;
    int32_t material = 0;

    for (int slot = 1; slot <= piece_count; ++slot) {
        const int square = piece_list[slot];
        if (square == 0) continue; // a hole left by a capture
        const int32_t code = board[square];
        material += material_value[code];
        if (code == WHITE_PAWN) {
            const int file = file_of[square], rank = rank_of[square];
            ++white_pawns_on_file[file];
            if (rank < white_rear_rank[file]) white_rear_rank[file] = rank;
            // A pawn still on its start square has a move count of 0 and does not count.
            if (square_move_count[square] != 0)
                ++(light_square[square] ? white_pawns_light : white_pawns_dark);
            ++pawn_total;
        } else if (code == BLACK_PAWN) {
            const int file = file_of[square], rank = rank_of[square];
            ++black_pawns_on_file[file];
            if (rank > black_rear_rank[file]) black_rear_rank[file] = rank;
            if (square_move_count[square] != 0)
                ++(light_square[square] ? black_pawns_light : black_pawns_dark);
            ++pawn_total;
        }
    }
    eval_score = material;
}

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

} // namespace

template <Phase P, typename Side> void pawn_terms(int square, int rank, int file) {
    constexpr PawnWeights weights = pawn_weights<P>();
    const int32_t relative = Side::relative_rank(rank);
    bool backward = false, isolated = false;

    // Step 1. Table value.
    int32_t value = Side::pawn_table[square];
    if constexpr (P == Phase::ENDGAME) value += ENDGAME_PAWN_BONUS;

    // Step 2. Backward: behind the rearmost own pawn of both neighbouring files (a neighbour
    // without own pawns reads 7). Only a backward pawn can be isolated, so a lone pawn on its
    // seventh rank is neither. In the opening a pawn still on its start rank is flagged but
    // not penalised.
    if (relative < Side::own_rear(file - 1) && relative < Side::own_rear(file + 1)) {
        backward = true;
        if (P != Phase::OPENING || relative != 2) value -= weights.backward;
        if (Side::own_pawns(file - 1) == 0 && Side::own_pawns(file + 1) == 0) {
            isolated = true;
            value -= weights.isolated;
        }
    }

    // Step 3. Exposed: the weakness stands on a file the enemy's rooks can use.
    if (Side::enemy_pawns(file) == 0) {
        if (backward) value -= weights.exposed_backward;
        if (isolated) value -= weights.exposed_isolated;
    }

    // Step 4. Several pawns on the file: every one of them pays for the others.
    const int32_t on_file = Side::own_pawns(file);
    if (on_file > 1) {
        value -= (on_file - 1) * weights.multiple;
        if (P == Phase::MIDDLEGAME && isolated) value -= ISOLATED_AND_DOUBLED;
    }

    // Step 5. Passed: no enemy pawn on the file, and none on a neighbouring file further up
    // (one level with the pawn does not stop it).
    if (Side::enemy_pawns(file) == 0 && relative >= Side::enemy_rear(file - 1) &&
        relative >= Side::enemy_rear(file + 1)) {
        value += relative * weights.passed;
        if (!isolated) {
            value += weights.connected_passed;
            if (P == Phase::ENDGAME && relative >= 6) value += ADVANCED_SUPPORTED_PASSER;
        }
        if constexpr (P != Phase::OPENING) {
            // A passed pawn on a wing file draws the enemy king away from the centre.
            const int32_t outside =
                P == Phase::MIDDLEGAME ? MOUTSIDE_PASSED_PAWN : EOUTSIDE_PASSED_PAWN;
            if (file <= 2 || file >= 7) value += outside;
        }
    }

    eval_score += Side::SIGN * value;
}

template void pawn_terms<Phase::OPENING, White>(int, int, int);
template void pawn_terms<Phase::OPENING, Black>(int, int, int);
template void pawn_terms<Phase::MIDDLEGAME, White>(int, int, int);
template void pawn_terms<Phase::MIDDLEGAME, Black>(int, int, int);
template void pawn_terms<Phase::ENDGAME, White>(int, int, int);
template void pawn_terms<Phase::ENDGAME, Black>(int, int, int);

// A centre pawn that has never moved, with anything on the square in front of it, shuts in its
// own bishop and cramps its side.
void blocked_centre_pawns() {
    constexpr int D2 = square_at(3, 1), E2 = square_at(4, 1);
    constexpr int D7 = square_at(3, 6), E7 = square_at(4, 6);
    constexpr int UP = 12;
    if (square_move_count[D2] == 0 && board[D2 + UP] != EMPTY) eval_score -= BLOCKED_CENTER_PAWN;
    if (square_move_count[E2] == 0 && board[E2 + UP] != EMPTY) eval_score -= BLOCKED_CENTER_PAWN;
    if (square_move_count[D7] == 0 && board[D7 - UP] != EMPTY) eval_score += BLOCKED_CENTER_PAWN;
    if (square_move_count[E7] == 0 && board[E7 - UP] != EMPTY) eval_score += BLOCKED_CENTER_PAWN;
}
