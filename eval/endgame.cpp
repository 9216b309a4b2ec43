// Endgame rules on the material alone: pawnless endings that cannot be won are draws, and with
// pawns on the board extra minor pieces not offset by major pieces are worth more.
#include "eval/terms.h"

namespace {

constexpr int32_t MINOR_PIECE_EDGE = 50;

// Without mating material: no bishop and at most two knights, or a lone bishop.
bool cannot_mate(int knights, int bishops) {
    return (bishops == 0 && knights <= 2) || (bishops == 1 && knights == 0);
}

struct Material {
    int pawns_w, pawns_b, knights_w, knights_b, bishops_w, bishops_b;
    int rooks_w, rooks_b, queens_w, queens_b;
};

// True when the pawnless material cannot be won by either side.
bool pawnless_draw(const Material& m) {
    const int minors_w = m.knights_w + m.bishops_w, minors_b = m.knights_b + m.bishops_b;
    const bool queens = m.queens_w + m.queens_b != 0;
    if (m.rooks_w + m.rooks_b == 0) {
        if (queens) return false;
        if (m.bishops_w + m.bishops_b == 0) return m.knights_w < 3 && m.knights_b < 3;
        if (m.knights_w + m.knights_b == 0) return distance_between(m.bishops_w, m.bishops_b) < 2;
        return cannot_mate(m.knights_w, m.bishops_w) && cannot_mate(m.knights_b, m.bishops_b);
    }
    if (queens) return false;
    if (m.rooks_w == 1 && m.rooks_b == 1) return minors_w < 2 && minors_b < 2;
    if (m.rooks_w == 1 && m.rooks_b == 0) return minors_w == 0 && (minors_b == 1 || minors_b == 2);
    if (m.rooks_b == 1 && m.rooks_w == 0) return minors_b == 0 && (minors_w == 1 || minors_w == 2);
    return false;
}

// With pawns: the side ahead in minor pieces, by more than the majors make up for, or with
// the only queen when minors and majors are level, earns MINOR_PIECE_EDGE.
int32_t minor_piece_edge(const Material& m) {
    const int minors_w = m.knights_w + m.bishops_w, minors_b = m.knights_b + m.bishops_b;
    const int majors_w = m.rooks_w + m.queens_w, majors_b = m.rooks_b + m.queens_b;
    if (minors_w == minors_b) {
        if (majors_w != majors_b) return 0;
        if (m.queens_w != 0 && m.queens_b == 0) return MINOR_PIECE_EDGE;
        if (m.queens_b != 0 && m.queens_w == 0) return -MINOR_PIECE_EDGE;
        return 0;
    }
    const int major_gap = distance_between(majors_w, majors_b);
    if (major_gap == 0) return minors_w > minors_b ? MINOR_PIECE_EDGE : -MINOR_PIECE_EDGE;
    if (major_gap > 2) return 0;
    // One or two majors of difference are made up for by that many extra minors.
    if (minors_w > minors_b + major_gap) return MINOR_PIECE_EDGE;
    if (minors_b > minors_w + major_gap) return -MINOR_PIECE_EDGE;
    return 0;
}

} // namespace

void Evaluation::endgame_material_rules() {
    const Material m{piece_tally[WHITE_PAWN],   piece_tally[BLACK_PAWN],
                     piece_tally[WHITE_KNIGHT], piece_tally[BLACK_KNIGHT],
                     piece_tally[WHITE_BISHOP], piece_tally[BLACK_BISHOP],
                     piece_tally[WHITE_ROOK],   piece_tally[BLACK_ROOK],
                     piece_tally[WHITE_QUEEN],  piece_tally[BLACK_QUEEN]};
    if (m.pawns_w + m.pawns_b == 0) {
        if (pawnless_draw(m)) eval_score = 0;
    } else {
        eval_score += minor_piece_edge(m);
    }
}
