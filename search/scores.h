// Score constants shared by the search, the table and the thinking output. Scores are from the
// side to move's point of view, in evaluation units (a pawn is 110).
#pragma once

#include <cstdint>

inline constexpr int32_t MATE_SCORE = 1000000;    // a side mated at ply p scores p - MATE_SCORE
inline constexpr int32_t MATE_THRESHOLD = 999900; // magnitudes above this are mate scores
inline constexpr int32_t INFINITE_SCORE = 1000000;
inline constexpr int32_t NULL_MATE_THREAT = 999700;
