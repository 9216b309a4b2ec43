// King safety and the middlegame's attack on the enemy king.
#include "eval/parameters.h"
#include "eval/terms.h"

namespace {

// Fixed amounts of the king terms; the middlegame values are larger because an unsafe king is
// attacked by more pieces there.
struct KingConstants {
    int32_t castled;        // the king has castled
    int32_t left_home;      // the king has moved without castling and can no longer castle
    int32_t open_own_file;  // ...and has no own pawn on its file
    int32_t missing_shield; // no own pawn in front of the king on a shield file
    int32_t shield_step;    // per rank a shield pawn stands beyond the square in front
};
constexpr KingConstants OPENING_KING{24, -20, -6, -8, 5};
constexpr KingConstants MIDDLEGAME_KING{50, -40, -15, -15, 8};

// Trapped rook: a king that walked towards a corner without castling shuts in the rook of that
// corner. A king on f1 or g1 traps a rook on g1 or h1; a king on b1, c1 or d1 traps a rook on
// a1 or b1 (black: the same squares on the eighth rank). A rook on the second rank is not
// counted: it has a way out along that rank or its file.
template <typename Side> bool rook_trapped(const Position& pos, int rank, int file) {
    if (Side::relative_rank(rank) != 1) return false;
    const int corner_a = Side::KING_HOME - 4; // a1 or a8
    if (file == 6 || file == 7)
        return pos.board[corner_a + 6] == Side::ROOK || pos.board[corner_a + 7] == Side::ROOK;
    if (file >= 2 && file <= 4)
        return pos.board[corner_a] == Side::ROOK || pos.board[corner_a + 1] == Side::ROOK;
    return false;
}

} // namespace

template <Phase P, typename Side> void Evaluation::king_terms(int square, int rank, int file) {
    if constexpr (P == Phase::ENDGAME) {
        // In the endgame the king belongs in the centre, whatever its colour.
        eval_score += Side::SIGN * king_endgame_pst[square];
    } else {
        constexpr const KingConstants& k = P == Phase::OPENING ? OPENING_KING : MIDDLEGAME_KING;
        // Step 1. Table.
        int32_t value = Side::king_table[square];
        // Step 2. Castled, or Step 3. moved without castling: the right is gone for good, since
        // the home square's move count never returns to 0.
        if (Side::castled(pos) != 0) {
            value += k.castled;
        } else if (pos.square_move_count[Side::KING_HOME] != 0) {
            value += k.left_home;
            if (Side::own_pawns(*pawns, file) == 0) value += k.open_own_file;
            if (rook_trapped<Side>(pos, rank, file)) value -= ROOK_TRAPPED;
        }
        // Step 4. Pawn shield on the king's file and its neighbours (the sentinel files read as
        // files without pawns, so a king on a wing file misses one shield file).
        const int32_t relative = Side::relative_rank(rank);
        for (int shield_file = file - 1; shield_file <= file + 1; ++shield_file) {
            const int32_t rear = Side::own_rear(*pawns, shield_file);
            if (Side::own_pawns(*pawns, shield_file) != 0 && relative < rear)
                value += k.shield_step * (relative - rear + 1);
            else
                value += k.missing_shield;
        }
        eval_score += Side::SIGN * value;
    }
}

template void Evaluation::king_terms<Phase::OPENING, White>(int, int, int);
template void Evaluation::king_terms<Phase::OPENING, Black>(int, int, int);
template void Evaluation::king_terms<Phase::MIDDLEGAME, White>(int, int, int);
template void Evaluation::king_terms<Phase::MIDDLEGAME, Black>(int, int, int);
template void Evaluation::king_terms<Phase::ENDGAME, White>(int, int, int);
template void Evaluation::king_terms<Phase::ENDGAME, Black>(int, int, int);

// Kings more than two files apart can storm each other with pawns: rearmost pawns advanced
// towards the enemy king, and files near it without enemy pawns, count for the attacker.
template <Phase P> void Evaluation::kings_on_opposite_wings() {
    const int white_file = file_of[pos.white_king_square];
    const int black_file = file_of[pos.black_king_square];
    if (distance_between(white_file, black_file) <= 2) return;
    if constexpr (P == Phase::OPENING) {
        // Step 1. How far each side's rearmost pawns have come towards the other king.
        for (int file = black_file - 1; file <= black_file + 1; ++file)
            eval_score += pawns->white_rear_rank[file];
        for (int file = white_file - 1; file <= white_file + 1; ++file)
            eval_score -= black_relative_rank[pawns->black_rear_rank[file]];
        // Step 2. Files open towards the white king, Step 3. towards the black king.
        if (pawns->black_pawns_on_file[white_file] == 0) eval_score -= 6;
        if (pawns->black_pawns_on_file[white_file + 1] == 0) eval_score -= 4;
        if (pawns->black_pawns_on_file[white_file - 1] == 0) eval_score -= 4;
        if (pawns->white_pawns_on_file[black_file] == 0) eval_score += 6;
        if (pawns->white_pawns_on_file[black_file + 1] == 0) eval_score += 4;
        if (pawns->white_pawns_on_file[black_file - 1] == 0) eval_score += 4;
    } else {
        // Step 1. Black's storm against the white king: 4 per rank a rearmost black pawn has
        // advanced from its start rank, 10 more for a file without black pawns. Step 2. White's.
        for (int file = white_file - 1; file <= white_file + 1; ++file) {
            eval_score += 8 - 4 * black_relative_rank[pawns->black_rear_rank[file]];
            if (pawns->black_pawns_on_file[file] == 0) eval_score -= 10;
        }
        for (int file = black_file - 1; file <= black_file + 1; ++file) {
            eval_score += 4 * pawns->white_rear_rank[file] - 8;
            if (pawns->white_pawns_on_file[file] == 0) eval_score += 10;
        }
    }
}

template void Evaluation::kings_on_opposite_wings<Phase::OPENING>();
template void Evaluation::kings_on_opposite_wings<Phase::MIDDLEGAME>();

// The attack distances grow as attackers stay away from the enemy king, so a negative
// OFFENSIVENESS rewards a side whose pieces close in. The float weight times the integer
// difference, plus the integer score, is exact in double, and only the sum is truncated
// towards zero.
void Evaluation::apply_offensiveness() {
    const double difference = white_attack_distance - black_attack_distance;
    eval_score = static_cast<int32_t>(eval_score + difference * static_cast<double>(OFFENSIVENESS));
}
