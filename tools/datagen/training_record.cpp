#include "tools/datagen/training_record.h"

#include <algorithm>
#include <cstring>

#include "board/attack.h"
#include "board/game.h"
#include "board/position.h"
#include "search/scores.h"

namespace {

// Evaluation units per pawn: search scores are written in centipawns.
constexpr int32_t EVALUATION_UNITS_PER_PAWN = 110;

int packed_code_of(int32_t code) {
    switch (code) {
    case WHITE_PAWN: return 0;
    case WHITE_KNIGHT: return 1;
    case WHITE_BISHOP: return 2;
    case WHITE_ROOK: return 3;
    case WHITE_QUEEN: return 4;
    case WHITE_KING: return 5;
    case BLACK_PAWN: return 6;
    case BLACK_KNIGHT: return 7;
    case BLACK_BISHOP: return 8;
    case BLACK_ROOK: return 9;
    case BLACK_QUEEN: return 10;
    case BLACK_KING: return 11;
    default: return -1;
    }
}

} // namespace

TrainingRecord pack_current_position() {
    TrainingRecord record{};
    int count = 0;
    for (int bit = 0; bit < 64; ++bit) {
        const int code = packed_code_of(board[square_of_bit[bit]]);
        if (code < 0 || count == 32) continue;
        record.occupancy |= uint64_t{1} << bit;
        record.pieces[count / 2] |= static_cast<uint8_t>(code << (count % 2 == 0 ? 0 : 4));
        ++count;
    }
    record.flags = static_cast<uint8_t>((side_to_move == 1 ? RECORD_WHITE_TO_MOVE : 0) |
                                        (side_to_move_in_check() ? RECORD_IN_CHECK : 0));
    record.fifty_counter = static_cast<uint8_t>(std::min(fifty_counter, 255));
    return record;
}

std::string record_fen(const TrainingRecord& record) {
    static const char LETTERS[] = "PNBRQKpnbrqk";
    char squares[64];
    std::memset(squares, 0, sizeof squares);
    int count = 0;
    int kings[2] = {0, 0};
    for (int bit = 0; bit < 64; ++bit) {
        if ((record.occupancy >> bit & 1) == 0) continue;
        if (count == 32) return "";
        const int code = (record.pieces[count / 2] >> (count % 2 == 0 ? 0 : 4)) & 15;
        if (code >= PACKED_PIECE_KINDS) return "";
        if (code == 5) ++kings[0];
        if (code == 11) ++kings[1];
        squares[bit] = LETTERS[code];
        ++count;
    }
    if (kings[0] != 1 || kings[1] != 1) return "";
    std::string fen;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const char letter = squares[rank * 8 + file];
            if (letter == 0) {
                ++empty;
                continue;
            }
            if (empty > 0) fen += static_cast<char>('0' + empty);
            empty = 0;
            fen += letter;
        }
        if (empty > 0) fen += static_cast<char>('0' + empty);
        if (rank > 0) fen += '/';
    }
    fen += (record.flags & RECORD_WHITE_TO_MOVE) != 0 ? " w - - " : " b - - ";
    fen += std::to_string(record.fifty_counter) + " " + std::to_string(record.ply / 2 + 1);
    return fen;
}

int16_t record_score(int32_t engine_score, bool white_to_move, bool& mate) {
    mate = std::abs(engine_score) > MATE_THRESHOLD;
    int32_t centipawns = mate
                             ? (engine_score > 0 ? RECORD_MATE_CENTIPAWNS : -RECORD_MATE_CENTIPAWNS)
                             : engine_score * 100 / EVALUATION_UNITS_PER_PAWN;
    centipawns = std::clamp<int32_t>(centipawns, -RECORD_MATE_CENTIPAWNS, RECORD_MATE_CENTIPAWNS);
    return static_cast<int16_t>(white_to_move ? centipawns : -centipawns);
}

bool write_records(std::FILE* file, const std::vector<TrainingRecord>& records) {
    if (records.empty()) return true;
    return std::fwrite(records.data(), sizeof(TrainingRecord), records.size(), file) ==
               records.size() &&
           std::fflush(file) == 0;
}

bool read_records(const std::string& path, std::vector<TrainingRecord>& records,
                  std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = path + " cannot be opened";
        return false;
    }
    records.clear();
    TrainingRecord record;
    size_t read;
    while ((read = std::fread(&record, 1, sizeof record, file)) == sizeof record)
        records.push_back(record);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = path + " could not be read";
        return false;
    }
    if (read != 0) {
        error = path + " ends in a partial record";
        return false;
    }
    return true;
}
