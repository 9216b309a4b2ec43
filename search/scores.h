// Score constants shared by the searches, the tables and the thinking output. Scores are from the
// side to move's point of view, in evaluation units (a pawn is 110).
#pragma once

#include <cstdint>

inline constexpr int32_t MATE_SCORE = 1000000;    // a side mated at ply p scores p - MATE_SCORE
inline constexpr int32_t MATE_THRESHOLD = 999900; // magnitudes above this are mate scores
inline constexpr int32_t INFINITE_SCORE = 1000000;
inline constexpr int32_t NULL_MATE_THREAT = 999700;

// What a score stored in a table, or reported, is worth: exact, or a bound on the true score.
inline constexpr uint8_t BOUND_EXACT = 2;
inline constexpr uint8_t BOUND_UPPER = 3; // the true score is at most the stored one
inline constexpr uint8_t BOUND_LOWER = 4; // the true score is at least the stored one
