// Rays and attack sets over the 64 squares of square_bit's numbering, for the attack test and
// the capture generator, which find the first piece on a ray by a bit scan of the board's square
// sets instead of stepping along it.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "board/position.h"

// The eight directions as mailbox steps. Directions 0-3 go up the board, 4-7 (their opposites)
// down; 0, 1 and their opposites are orthogonal, 2, 3 and theirs diagonal.
inline constexpr int RAY_STEPS[8] = {12, 1, 13, 11, -12, -1, -13, -11};
inline constexpr int FIRST_DOWN_DIRECTION = 4;
inline constexpr int ORTHOGONAL = 0, DIAGONAL = 2;

// Attack tables over the 64 squares. A ray is every square from one square to the border in one
// direction; rays up the board (positive mailbox steps) meet their first piece at their lowest
// bit, rays down at their highest.
struct AttackTables {
    uint64_t ray[64][8];
    uint64_t orthogonal_lines[64];
    uint64_t diagonal_lines[64];
    uint64_t knight[64];
    uint64_t king[64];
    uint64_t white_pawn_from[64]; // where a white pawn attacks the square from
    uint64_t black_pawn_from[64];
};

inline constexpr AttackTables make_attack_tables() {
    AttackTables tables{};
    constexpr int JUMPS[8] = {10, -10, 14, -14, 23, -23, 25, -25};
    for (int bit = 0; bit < 64; ++bit) {
        const int square = square_of_bit[bit];
        for (int direction = 0; direction < 8; ++direction) {
            for (int to = square + RAY_STEPS[direction]; rank_of[to] != 0;
                 to += RAY_STEPS[direction])
                tables.ray[bit][direction] |= square_bit[to];
            tables.king[bit] |= square_bit[square + RAY_STEPS[direction]];
        }
        for (int direction : {0, 1, 4, 5})
            tables.orthogonal_lines[bit] |= tables.ray[bit][direction];
        for (int direction : {2, 3, 6, 7})
            tables.diagonal_lines[bit] |= tables.ray[bit][direction];
        for (int jump : JUMPS)
            tables.knight[bit] |= square_bit[square + jump];
        tables.white_pawn_from[bit] = square_bit[square - 11] | square_bit[square - 13];
        tables.black_pawn_from[bit] = square_bit[square + 11] | square_bit[square + 13];
    }
    return tables;
}

inline constexpr AttackTables attack_tables = make_attack_tables();

inline int bit_index(int square) {
    return std::countr_zero(square_bit[square]);
}

// The first piece on a ray, as its bit, or 0 when the ray meets none.
inline uint64_t first_piece_on_ray(int bit, int direction, uint64_t occupied) {
    const uint64_t pieces = attack_tables.ray[bit][direction] & occupied;
    if (pieces == 0) return 0;
    if (direction < FIRST_DOWN_DIRECTION) return pieces & (~pieces + 1);
    return uint64_t{1} << (63 - std::countl_zero(pieces));
}

// The direction (RAY_STEPS) from one square to another on the same line, or -1 when they share
// none (or are the same square).
inline constexpr auto line_direction = [] {
    std::array<std::array<int8_t, 64>, 64> directions{};
    for (auto& row : directions)
        row.fill(-1);
    for (int bit = 0; bit < 64; ++bit)
        for (int direction = 0; direction < 8; ++direction)
            for (uint64_t ray = attack_tables.ray[bit][direction]; ray != 0; ray &= ray - 1)
                directions[bit][std::countr_zero(ray)] = static_cast<int8_t>(direction);
    return directions;
}();
