// What the evaluation's term modules share while one position is being scored: the running
// score, the pawn-file summary, the walk counters, the colour traits through which every term is
// written once for both colours, and the per-piece handlers the phase evaluators call.
//
// Everything here is rebuilt by every evaluate() call and means nothing between calls.
#pragma once

#include <cstdint>

#include "board/game.h"
#include "board/position.h"
#include "eval/pawn_structure.h"
#include "eval/tables.h"

// The running score from white's point of view: white's terms are added, black's subtracted.
extern int32_t eval_score;

// The pawn structure of the position being scored (see pawn_structure.h), found by
// scan_pawns().
extern const PawnStructure* pawns;

// Middlegame: how far the queens, rooks and knights of each side stand from the enemy king.
extern int32_t white_attack_distance;
extern int32_t black_attack_distance;

// Counters of one walk over the piece list, for one colour. Terms that reward the second and
// later piece of a kind (bishop pair, rooks on the seventh, doubled rooks) read and bump them.
struct SideWalk {
    int32_t bishops_seen;
    int32_t rooks_on_seventh;
    bool rook_on_file_without_own_pawns; // an earlier rook stood on a file without own pawns
};
extern SideWalk white_walk;
extern SideWalk black_walk;

// Endgame: how many pieces of each code the walk met.
extern uint8_t piece_tally[PIECE_CODES];

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

    static int32_t own_pawns(int file) { return pawns->white_pawns_on_file[file]; }
    static int32_t enemy_pawns(int file) { return pawns->black_pawns_on_file[file]; }
    // Rearmost pawns as relative ranks: own 7, enemy 2 on a file without pawns.
    static int32_t own_rear(int file) { return pawns->white_rear_rank[file]; }
    static int32_t enemy_rear(int file) { return pawns->black_rear_rank[file]; }
    static uint8_t pawns_light() { return pawns->white_pawns_light; }
    static uint8_t pawns_dark() { return pawns->white_pawns_dark; }
    static int32_t castled() { return white_castled; }
    static int32_t enemy_king_square() { return black_king_square; }
    static int32_t& attack_distance() { return white_attack_distance; }
    static SideWalk& walk() { return white_walk; }

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

    static int32_t own_pawns(int file) { return pawns->black_pawns_on_file[file]; }
    static int32_t enemy_pawns(int file) { return pawns->white_pawns_on_file[file]; }
    static int32_t own_rear(int file) { return 9 - pawns->black_rear_rank[file]; }
    static int32_t enemy_rear(int file) { return 9 - pawns->white_rear_rank[file]; }
    static uint8_t pawns_light() { return pawns->black_pawns_light; }
    static uint8_t pawns_dark() { return pawns->black_pawns_dark; }
    static int32_t castled() { return black_castled; }
    static int32_t enemy_king_square() { return white_king_square; }
    static int32_t& attack_distance() { return black_attack_distance; }
    static SideWalk& walk() { return black_walk; }

    static constexpr const SquareTable& pawn_table = pawn_pst_black;
    static constexpr const SquareTable& opening_knight_table = knight_pst_black;
    static constexpr const SquareTable& opening_bishop_table = bishop_pst_black;
    static constexpr const SquareTable& king_table = king_pst_black;
};

// Finds the position's pawn structure (pawns) and starts eval_score at 0; the walk over the
// pieces adds the material.
void scan_pawns();

// The pawn terms of every pawn in phase P, weighted, from white's point of view.
template <Phase P> int32_t pawn_structure_score();

// Per-piece handlers of the walk. Each adds its terms for the piece on `square` (rank and file
// 1..8) to eval_score with the sign of its colour. The walk takes the pawns' terms from the pawn
// structure in one sum; pawn_terms gives one pawn's share of it.
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

// Middlegame attack on the enemy king. A queen or rook adds the smaller of its rank and file
// distances to the king to its side's attack distance, and earns `on_line_weight` on the
// king's rank or file; the bonus is returned from the piece's point of view.
inline int32_t distance_between(int a, int b) {
    return a > b ? a - b : b - a;
}
template <typename Side> int32_t line_attack(int rank, int file, int32_t on_line_weight) {
    const int king = Side::enemy_king_square();
    const int32_t rank_distance = distance_between(rank, rank_of[king]);
    const int32_t file_distance = distance_between(file, file_of[king]);
    const int32_t distance = rank_distance < file_distance ? rank_distance : file_distance;
    Side::attack_distance() += distance;
    return distance == 0 ? on_line_weight : 0;
}
// A knight adds half its rank-plus-file distance to the king, truncated.
template <typename Side> void knight_attack(int rank, int file) {
    const int king = Side::enemy_king_square();
    Side::attack_distance() +=
        (distance_between(rank, rank_of[king]) + distance_between(file, file_of[king])) / 2;
}

// Outpost value of a square for a knight (or bishop) of that colour; the caller subtracts
// black's.
int32_t outpost_value_white(int square, int file, int rank);
int32_t outpost_value_black(int square, int file, int rank);

// Squares a bishop reaches along its four diagonals, counting the first blocked square of each
// (a piece of either colour, or the border), given the occupied squares.
uint8_t bishop_mobility(int square, uint64_t occupied);
