// Move ordering: every move of a node's list gets an integer score, and the search takes the
// moves one at a time, highest first, earliest in generation order among equals.
#pragma once

#include <cstdint>

#include "board/position.h"

// Capture values for ordering only (the evaluation has its own): victim minus attacker.
inline constexpr int32_t order_value[PIECE_CODES] = {0,   100, 100, 300, 300, 0,   0,
                                                     500, 500, 900, 900, 325, 325, 0};

// Added to the depth of every node where a move raised alpha, per from and to square.
extern int32_t history_table[BOARD_SQUARES][BOARD_SQUARES];
// Three killer slots per ply, and the scores with which the first two were installed.
extern Move killer1[MAX_PLY];
extern Move killer2[MAX_PLY];
extern Move killer3[MAX_PLY];
extern int32_t killer1_score[MAX_PLY];
extern int32_t killer2_score[MAX_PLY];
// Set by the root at the start of each iteration: the next ordering call looks for the previous
// iteration's principal-variation move of its ply.
extern bool follow_pv;

inline constexpr int32_t SELECTED = -1; // a move already taken from the list

// Scores list[0 .. count-1] of the current position at the current ply.
void order_moves(const Move* list, int32_t* scores, int32_t count, const Move& hash_move);

// The index of the best score above SELECTED (the first among equals), marking it taken; -1
// when every move has been taken.
int select_next_move(int32_t* scores, int32_t count);

// A move that raised alpha (and, below the root, reached beta) at the current ply.
void record_killer(const Move& move, int32_t score);

// Start of a search: no killers, no history.
void clear_ordering_tables();
// After every iteration: the first cutoff of each ply displaces the killers again.
void reset_killer_scores();

// A legal move raised alpha at a node searched to `depth`. Counters stop growing far below
// the int32 limit, which only a search of many hours could otherwise reach.
inline void add_history(const Move& move, int32_t depth) {
    int32_t& counter = history_table[move.from][move.to];
    if (counter < (1 << 30)) counter += depth;
}
