// The training data of the evaluation network: one 32-byte record per position a self-play
// game searched, with the search's score and the game's result. Records lie back to back in a
// file, little endian, without a header; the trainer (tools/nnue) reads the same layout.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Piece codes of the packed board: white pawn, knight, bishop, rook, queen, king are 0 to 5,
// black ones 6 to 11.
inline constexpr int PACKED_PIECE_KINDS = 12;

// Flags of a record.
inline constexpr uint8_t RECORD_WHITE_TO_MOVE = 1;
inline constexpr uint8_t RECORD_IN_CHECK = 2;
inline constexpr uint8_t RECORD_NOISY = 4;       // the best move captures or promotes
inline constexpr uint8_t RECORD_MATE_SCORE = 8;  // the score is a mate, clamped
inline constexpr uint8_t RECORD_GAME_START = 16; // the first position written of a game

// Results, from white's side.
inline constexpr uint8_t RESULT_BLACK_WINS = 0;
inline constexpr uint8_t RESULT_DRAW = 1;
inline constexpr uint8_t RESULT_WHITE_WINS = 2;

// A mate score is written as this many centipawns.
inline constexpr int16_t RECORD_MATE_CENTIPAWNS = 32000;

struct TrainingRecord {
    uint64_t occupancy;             // bit i: square i holds a piece (a1 = 0, h1 = 7, h8 = 63)
    std::array<uint8_t, 16> pieces; // the occupied squares' codes in square order, 4 bits each,
                                    // the even-numbered piece in the low nibble
    int16_t score;                  // centipawns, from white's side
    uint8_t result;
    uint8_t flags;
    uint16_t ply;          // half-moves played before the position
    uint8_t fifty_counter; // capped at 255
    uint8_t reserved;
};
static_assert(sizeof(TrainingRecord) == 32);

// The record of the engine's current position: the board, the side to move and whether it is in
// check, the fifty-move counter; score, result, the other flags and the ply are the caller's.
TrainingRecord pack_current_position();

// The position of a record as FEN (no castling rights or en-passant square: a record does not
// keep them), or "" when the record is damaged (more than 32 pieces, a bad code, not exactly
// one king a side).
std::string record_fen(const TrainingRecord& record);

// Engine score (evaluation units, the side to move's view) to a record's centipawns from
// white's view, mate scores clamped and reported through `mate`.
int16_t record_score(int32_t engine_score, bool white_to_move, bool& mate);

// Appends records to an open file; false on a write error.
bool write_records(std::FILE* file, const std::vector<TrainingRecord>& records);

// Reads a whole file of records; false (with the reason) when it cannot be read or its size is
// not a whole number of records.
bool read_records(const std::string& path, std::vector<TrainingRecord>& records,
                  std::string& error);
