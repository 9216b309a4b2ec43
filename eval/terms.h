// What the evaluation's term modules share while one position is being scored: the evaluation
// in progress (its running score, the pawn-file summary, the walk counters), the colour traits
// through which every term is written once for both colours, and the per-piece handlers the
// phase evaluators call.
//
// An Evaluation is made for one position and one score; nothing in it means anything after.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "eval/pawn_structure.h"
#include "eval/tables.h"

// Counters of one walk over the piece list, for one colour. Terms that reward the second and
// later piece of a kind (bishop pair, rooks on the seventh, doubled rooks) read and bump them.
struct SideWalk {
    int32_t bishops_seen;
    int32_t rooks_on_seventh;
    bool rook_on_file_without_own_pawns; // an earlier rook stood on a file without own pawns
};

enum class Phase { OPENING, MIDDLEGAME, ENDGAME };

// Colour traits. Every term is written once, from the point of view of the side that owns the
// piece, with ranks counted from that side (relative_rank); SIGN turns the result into white's
// point of view. Black's geometry is white's mirrored vertically, so a black pawn's "rank 7" is
// rank 2 and "in front" is one rank down.
struct White {
    static constexpr int32_t SIGN = 1;
    static constexpr int FORWARD = 12; // one rank towards the enemy
    static constexpr int32_t PAWN = WHITE_PAWN;
    static constexpr int32_t ROOK = WHITE_ROOK;
    static constexpr int KING_HOME = E1;
    static constexpr int QUEEN_HOME = D1;
    static constexpr int32_t relative_rank(int32_t rank) { return rank; }

    static int32_t own_pawns(const PawnStructure& p, int file) {
        return p.white_pawns_on_file[file];
    }
    static int32_t enemy_pawns(const PawnStructure& p, int file) {
        return p.black_pawns_on_file[file];
    }
    // Rearmost pawns as relative ranks: own 7, enemy 2 on a file without pawns.
    static int32_t own_rear(const PawnStructure& p, int file) { return p.white_rear_rank[file]; }
    static int32_t enemy_rear(const PawnStructure& p, int file) { return p.black_rear_rank[file]; }
    static uint8_t pawns_light(const PawnStructure& p) { return p.white_pawns_light; }
    static uint8_t pawns_dark(const PawnStructure& p) { return p.white_pawns_dark; }
    static int32_t castled(const Position& pos) { return pos.white_castled; }
    static int32_t enemy_king_square(const Position& pos) { return pos.black_king_square; }

    static constexpr const SquareTable& pawn_table = pawn_pst_white;
    static constexpr const SquareTable& opening_knight_table = knight_pst_white;
    static constexpr const SquareTable& opening_bishop_table = bishop_pst_white;
    static constexpr const SquareTable& king_table = king_pst_white;
};

struct Black {
    static constexpr int32_t SIGN = -1;
    static constexpr int FORWARD = -12;
    static constexpr int32_t PAWN = BLACK_PAWN;
    static constexpr int32_t ROOK = BLACK_ROOK;
    static constexpr int KING_HOME = E8;
    static constexpr int QUEEN_HOME = D8;
    static constexpr int32_t relative_rank(int32_t rank) { return 9 - rank; }

    static int32_t own_pawns(const PawnStructure& p, int file) {
        return p.black_pawns_on_file[file];
    }
    static int32_t enemy_pawns(const PawnStructure& p, int file) {
        return p.white_pawns_on_file[file];
    }
    static int32_t own_rear(const PawnStructure& p, int file) {
        return 9 - p.black_rear_rank[file];
    }
    static int32_t enemy_rear(const PawnStructure& p, int file) {
        return 9 - p.white_rear_rank[file];
    }
    static uint8_t pawns_light(const PawnStructure& p) { return p.black_pawns_light; }
    static uint8_t pawns_dark(const PawnStructure& p) { return p.black_pawns_dark; }
    static int32_t castled(const Position& pos) { return pos.black_castled; }
    static int32_t enemy_king_square(const Position& pos) { return pos.white_king_square; }

    static constexpr const SquareTable& pawn_table = pawn_pst_black;
    static constexpr const SquareTable& opening_knight_table = knight_pst_black;
    static constexpr const SquareTable& opening_bishop_table = bishop_pst_black;
    static constexpr const SquareTable& king_table = king_pst_black;
};

inline int32_t distance_between(int a, int b) {
    return a > b ? a - b : b - a;
}

// Squares a bishop reaches along its four diagonals, counting the first blocked square of each
// (a piece of either colour, or the border), given the occupied squares.
uint8_t bishop_mobility(int square, uint64_t occupied);

// One evaluation of one position: what the terms read (the position, its pawn structure) and
// what they add up.
struct Evaluation {
    Evaluation(const Position& position, PawnCache& cache) : pos(position), pawn_cache(cache) {}

    const Position& pos;
    // Where the pawn structures of this thread's positions are kept (eval/pawn_structure.h).
    PawnCache& pawn_cache;
    // The running score from white's point of view: white's terms are added, black's
    // subtracted.
    int32_t eval_score = 0;
    // The pawn structure of the position (see pawn_structure.h), found by scan_pawns().
    const PawnStructure* pawns = nullptr;
    // Middlegame: how far the queens, rooks and knights of each side stand from the enemy king.
    int32_t white_attack_distance = 0;
    int32_t black_attack_distance = 0;
    SideWalk white_walk{};
    SideWalk black_walk{};
    // Endgame: how many pieces of each code the walk met.
    uint8_t piece_tally[PIECE_CODES]{};

    // Chooses the phase by the knights, bishops, rooks and queens left (non_pawn_count): 13 or
    // more the opening, 7 to 12 the middlegame, 6 or fewer the endgame.
    int32_t evaluate();

    // The phase evaluators. Each expects scan_pawns() to have run (the pawn structure found,
    // eval_score at 0), walks the piece list once, applies its final terms and returns the
    // score for the side to move.
    int32_t evaluate_opening();
    int32_t evaluate_middlegame();
    int32_t evaluate_endgame();

    // Finds the position's pawn structure (pawns) and starts eval_score at 0; the walk over the
    // pieces adds the material.
    void scan_pawns();

    // The pawn terms of every pawn in phase P, weighted, from white's point of view.
    template <Phase P> int32_t pawn_structure_score() const;

    // Per-piece handlers of the walk. Each adds its terms for the piece on `square` (rank and
    // file 1..8) to eval_score with the sign of its colour. The walk takes the pawns' terms from
    // the pawn structure in one sum; pawn_terms gives one pawn's share of it.
    template <Phase P, typename Side> void pawn_terms(int square, int rank, int file);
    template <Phase P, typename Side> void knight_terms(int square, int rank, int file);
    template <Phase P, typename Side> void bishop_terms(int square, int rank, int file);
    template <Phase P, typename Side> void rook_terms(int rank, int file);
    template <Phase P, typename Side> void queen_terms(int square, int rank, int file);
    template <Phase P, typename Side> void king_terms(int square, int rank, int file);

    // Terms applied after the walk.
    void blocked_centre_pawns();                       // opening and middlegame
    template <Phase P> void kings_on_opposite_wings(); // opening and middlegame
    void apply_offensiveness();                        // middlegame, last
    void endgame_material_rules();                     // endgame, last

    // Middlegame attack on the enemy king. A queen or rook adds the smaller of its rank and
    // file distances to the king to its side's attack distance, and earns `on_line_weight` on
    // the king's rank or file; the bonus is returned from the piece's point of view.
    template <typename Side> int32_t line_attack(int rank, int file, int32_t on_line_weight);
    // A knight adds half its rank-plus-file distance to the king, truncated.
    template <typename Side> void knight_attack(int rank, int file);

    // Outpost value of a square for a knight (or bishop) of that colour; the caller subtracts
    // black's.
    int32_t outpost_value_white(int square, int file, int rank) const;
    int32_t outpost_value_black(int square, int file, int rank) const;

    // The colour's walk counters and attack distance.
    template <typename Side> SideWalk& walk() { return Side::SIGN > 0 ? white_walk : black_walk; }
    template <typename Side> int32_t& attack_distance() {
        return Side::SIGN > 0 ? white_attack_distance : black_attack_distance;
    }

  private:
    template <Phase P, typename Side, int32_t CODE> void terms_of_code();
    template <Phase P> void walk_pieces();
};

template <typename Side>
int32_t Evaluation::line_attack(int rank, int file, int32_t on_line_weight) {
    const int king = Side::enemy_king_square(pos);
    const int32_t rank_distance = distance_between(rank, rank_of[king]);
    const int32_t file_distance = distance_between(file, file_of[king]);
    const int32_t distance = rank_distance < file_distance ? rank_distance : file_distance;
    attack_distance<Side>() += distance;
    return distance == 0 ? on_line_weight : 0;
}

template <typename Side> void Evaluation::knight_attack(int rank, int file) {
    const int king = Side::enemy_king_square(pos);
    attack_distance<Side>() +=
        (distance_between(rank, rank_of[king]) + distance_between(file, file_of[king])) / 2;
}
