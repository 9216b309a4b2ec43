// Setting up a position from Forsyth-Edwards Notation, for tests, tools and front ends that
// start from a given position. The xboard command loop does not offer it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Sets the position from `fen` (piece placement, side, castling, en passant, and optionally the
// half-move clock and move number) and starts an empty game history from it. A FEN that does
// not describe a position the engine can play leaves the position untouched and returns false
// with the reason in `error`.
//
// Castling rights are held through the move counts of the king and rook squares, so a right
// the FEN does not grant is taken away by counting a move on its king or rook square. Other
// squares whose occupant differs from the initial position count one move too, as if the
// pieces had got there in a game: the evaluation reads those counts for development.
//
// With `repairs` the FEN is read as interfaces mean it: missing fields after the side to move
// take their defaults ("-", "-", 0, 1), and castling rights, an en-passant square or move
// counters that the position cannot have are dropped, each with a note in `repairs`. What
// leaves no playable position (the placement, the kings, pawns on the last ranks, the side that
// is not to move in check) is refused either way.
bool set_position_from_fen(std::string_view fen, std::string& error,
                           std::vector<std::string>* repairs = nullptr);

// The initial position as FEN.
inline constexpr std::string_view START_FEN =
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
