// The evaluation weights. None is built in: every weight is 0 until the weight file
// "kelmora.ini" is read at start-up, and that reader is the only writer. The prefixes O, M and E
// name the opening, middlegame and endgame variants of a term.
#pragma once

#include <cstdint>

// Terms of several phases, or of all phases alike.
extern int32_t BLOCKED_CENTER_PAWN; // a piece in front of an unmoved d- or e-pawn
extern int32_t ROOK_TRAPPED;        // a rook shut in by its own king that gave up castling
extern int32_t DOUBLED_ROOKS;       // each further rook on a file without own pawns
extern int32_t GOOD_BISHOP;         // bishop off the colour of most of its own moved pawns
extern int32_t BAD_BISHOP;          // bishop on that colour
extern int32_t TRAPPED_BISHOP;      // bishop caught behind an enemy pawn after taking a wing pawn
extern int32_t OBISHOP_PAIR;
extern int32_t MBISHOP_PAIR;
extern int32_t EBISHOP_PAIR;
extern int32_t OUTPOSTED;      // knight (or bishop) on a square no enemy pawn can attack
extern int32_t STRONG_OUTPOST; // such a square with own pawns on both squares diagonally ahead
extern float OFFENSIVENESS;    // factor on the difference of the attack distances
extern int32_t ROOK_ATTACK_KING;
extern int32_t QUEEN_ATTACK_KING;

// Opening.
extern int32_t OMULTIPLE_PAWNS_PENALTY;
extern int32_t OISOLATED_PAWN_PENALTY;
extern int32_t OEXPOSED_ISOLATED_PAWN;
extern int32_t OBACKWARD_PAWN_PENALTY;
extern int32_t OEXPOSED_BACKWARD_PAWN;
extern int32_t OPASSED_PAWN_BONUS;
extern int32_t OCONNECTED_PASSED_PAWN;
extern int32_t OROOK_ON_SEVENTH_BONUS;
extern int32_t OROOK_PAIR_ON_SEVENTH; // read from the file, but no term uses it
extern int32_t OROOK_SEMI_OPEN_FILE;
extern int32_t OROOK_OPEN_FILE_BONUS;

// Development, in the opening.
extern int32_t UNDEVELOPED_PIECE;
extern int32_t EARLY_QUEEN_DEVELOPMENT;

// Middlegame.
extern int32_t MMULTIPLE_PAWNS_PENALTY;
extern int32_t MISOLATED_PAWN_PENALTY;
extern int32_t MEXPOSED_ISOLATED_PAWN;
extern int32_t MBACKWARD_PAWN_PENALTY;
extern int32_t MEXPOSED_BACKWARD_PAWN;
extern int32_t MPASSED_PAWN_BONUS;
extern int32_t MCONNECTED_PASSED_PAWN;
extern int32_t MOUTSIDE_PASSED_PAWN;
extern int32_t MROOK_ON_SEVENTH_BONUS;
extern int32_t MROOK_PAIR_ON_SEVENTH;
extern int32_t MROOK_SEMI_OPEN_FILE;
extern int32_t MROOK_OPEN_FILE_BONUS;

// Endgame.
extern int32_t EMULTIPLE_PAWNS_PENALTY;
extern int32_t EISOLATED_PAWN_PENALTY;
extern int32_t EEXPOSED_ISOLATED_PAWN;
extern int32_t EBACKWARD_PAWN_PENALTY;
extern int32_t EEXPOSED_BACKWARD_PAWN;
extern int32_t EPASSED_PAWN_BONUS;
extern int32_t ECONNECTED_PASSED_PAWN;
extern int32_t EOUTSIDE_PASSED_PAWN;
extern int32_t EROOK_ON_SEVENTH_BONUS;
extern int32_t EROOK_PAIR_ON_SEVENTH;
extern int32_t EROOK_SEMI_OPEN_FILE;
extern int32_t EROOK_OPEN_FILE_BONUS;
