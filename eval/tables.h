// The evaluation's fixed tables: material values and piece-square tables in board layout (144
// entries, one per mailbox square, 0 on every border square), and the square-colour and
// black-rank lookups.
#pragma once

#include <array>
#include <cstdint>

#include "board/position.h"

// Indexed by piece code; black values are negative so that the sum is white's material balance.
inline constexpr int32_t material_value[PIECE_CODES] = {0,    110,   -110, // nothing, pawns
                                                        420,  -420,        // knights
                                                        0,    0,           // kings
                                                        685,  -685,        // rooks
                                                        1240, -1240,       // queens
                                                        435,  -435,        // bishops
                                                        0};                // empty square

using SquareTable = std::array<int8_t, BOARD_SQUARES>;

// A table written the way a board is printed: rank 8 first, each rank from a to h.
using PrintedGrid = std::array<int8_t, 64>;

constexpr SquareTable from_printed_grid(const PrintedGrid& grid) {
    SquareTable table{};
    for (int row = 0; row < 8; ++row)
        for (int file = 0; file < 8; ++file)
            table[square_at(file, 7 - row)] = grid[row * 8 + file];
    return table;
}

// The same table seen from the other side: the entry of x1 moves to x8, x2 to x7, and so on.
constexpr SquareTable vertical_mirror(const SquareTable& table) {
    SquareTable mirrored{};
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file)
            mirrored[square_at(file, 7 - rank)] = table[square_at(file, rank)];
    return mirrored;
}

// clang-format off
inline constexpr SquareTable pawn_pst_white = from_printed_grid({
      0,   0,   0,   0,   0,   0,   0,   0,
      5,  10,  15,  20,  20,  15,  10,   5,
      4,   8,  12,  16,  16,  12,   8,   4,
      3,   6,   9,  15,  15,   9,   6,   3,
      2,   4,   6,  15,  15,   6,   4,   2,
      1,   2,   3, -10, -10,   3,   2,   1,
      0,   0,   0, -40, -40,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0});

inline constexpr SquareTable knight_pst_white = from_printed_grid({
    -10, -10, -10, -10, -10, -10, -10, -10,
    -10,   0,   1,   2,   2,   1,   0, -10,
    -10,   1,   5,   5,   5,   5,   1, -10,
    -10,   2,   5,  10,  10,   5,   2, -10,
    -10,   2,   5,  10,  10,   5,   2, -10,
    -10,   1,   5,   5,   5,   5,   1, -10,
    -10,   0,   1,   2,   2,   1,   0, -10,
    -10, -40, -10, -10, -10, -10, -40, -10});

inline constexpr SquareTable bishop_pst_white = from_printed_grid({
      0, -10, -10, -10, -10, -10, -10,   0,
    -10,   5,   0,   0,   0,   0,   5, -10,
    -10,   0,   5,   5,   5,   5,   0, -10,
    -10,   0,   5,  10,  10,   5,   0, -10,
    -10,   0,   5,  10,  10,   5,   0, -10,
    -10,   0,   5,   5,   5,   5,   0, -10,
    -10,   5,   0,   0,   0,   0,   5, -10,
      0, -10, -30, -10, -10, -30, -10,   0});

// The king tables reward the castled corners and keep the king home. Black's table is white's
// turned through 180 degrees, not mirrored: its back rank reads white's from h to a, so the
// favoured g1 (8) becomes b8, not g8.
inline constexpr SquareTable king_pst_white = from_printed_grid({
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8,
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8,
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8,
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8,
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8,
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8,
     -4,  -4,  -4,  -4,  -4,  -4,  -4,  -4,
      7,   7,  -4,   0,  -4,   7,   8,   7});

inline constexpr SquareTable king_pst_black = from_printed_grid({
      7,   8,   7,  -4,   0,  -4,   7,   7,
     -4,  -4,  -4,  -4,  -4,  -4,  -4,  -4,
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8,
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8,
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8,
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8,
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8,
     -8,  -8,  -8,  -8,  -8,  -8,  -8,  -8});

inline constexpr SquareTable queen_pst = from_printed_grid({
      0,   1,   1,   2,   2,   1,   1,   0,
      1,   2,   3,   4,   4,   3,   2,   1,
      2,   3,   4,   5,   5,   4,   3,   2,
      3,   4,   5,   6,   6,   5,   4,   3,
      3,   4,   5,   6,   6,   5,   4,   3,
      2,   3,   4,   5,   5,   4,   3,   2,
      1,   2,   3,   4,   4,   3,   2,   1,
      0,   1,   1,   2,   2,   1,   1,   0});

inline constexpr SquareTable king_endgame_pst = from_printed_grid({
      0,  10,  20,  30,  30,  20,  10,   0,
      5,  20,  30,  40,  40,  30,  20,   5,
     10,  30,  40,  50,  50,  40,  30,  10,
     15,  40,  50,  60,  60,  50,  40,  15,
     15,  40,  50,  60,  60,  50,  40,  15,
     10,  30,  40,  50,  50,  40,  30,  10,
      5,  20,  30,  40,  40,  30,  20,   5,
      0,  10,  20,  30,  30,  20,  10,   0});
// clang-format on

inline constexpr SquareTable pawn_pst_black = vertical_mirror(pawn_pst_white);
// The opening reads these for black; the middlegame and endgame read the white tables for both
// colours, which differ from the mirrored ones only on the back ranks.
inline constexpr SquareTable knight_pst_black = vertical_mirror(knight_pst_white);
inline constexpr SquareTable bishop_pst_black = vertical_mirror(bishop_pst_white);

// 1 on light squares, 0 on dark ones and off the board: a1 is dark, b1 and a2 are light.
inline constexpr std::array<uint8_t, BOARD_SQUARES> light_square = [] {
    std::array<uint8_t, BOARD_SQUARES> light{};
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file)
            light[square_at(file, rank)] = (file + rank) % 2;
    return light;
}();

// Rank r seen from black's side, 9 - r; index 0 (no rank) stays 0.
inline constexpr int32_t black_relative_rank[9] = {0, 8, 7, 6, 5, 4, 3, 2, 1};
