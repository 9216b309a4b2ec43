#include "board/fen.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <sstream>
#include <vector>

#include "board/attack.h"
#include "board/game.h"
#include "board/keys.h"
#include "board/position.h"

namespace {

int32_t piece_code_of(char letter) {
    switch (letter) {
    case 'P': return WHITE_PAWN;
    case 'N': return WHITE_KNIGHT;
    case 'B': return WHITE_BISHOP;
    case 'R': return WHITE_ROOK;
    case 'Q': return WHITE_QUEEN;
    case 'K': return WHITE_KING;
    case 'p': return BLACK_PAWN;
    case 'n': return BLACK_KNIGHT;
    case 'b': return BLACK_BISHOP;
    case 'r': return BLACK_ROOK;
    case 'q': return BLACK_QUEEN;
    case 'k': return BLACK_KING;
    default: return OFF_BOARD;
    }
}

// The position being read, kept apart from the engine's until it has been checked whole.
struct FenPosition {
    std::array<int32_t, BOARD_SQUARES> squares{};
    int32_t side = 1;
    bool white_kingside = false, white_queenside = false;
    bool black_kingside = false, black_queenside = false;
    int32_t en_passant = 0;
    int32_t halfmove_clock = 0;
};

bool read_placement(std::string_view text, FenPosition& fen, std::string& error) {
    fen.squares.fill(OFF_BOARD);
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file)
            fen.squares[square_at(file, rank)] = EMPTY;
    int rank = 7, file = 0;
    for (char c : text) {
        if (c == '/') {
            if (file != 8 || rank == 0) {
                error = "bad rank in piece placement";
                return false;
            }
            --rank;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
            if (file > 8) {
                error = "rank longer than 8 squares";
                return false;
            }
        } else {
            const int32_t code = piece_code_of(c);
            if (code == OFF_BOARD) {
                error = "unknown piece letter '";
                error += c;
                error += '\'';
                return false;
            }
            if (file >= 8) {
                error = "rank longer than 8 squares";
                return false;
            }
            fen.squares[square_at(file, rank)] = code;
            ++file;
        }
    }
    if (rank != 0 || file != 8) {
        error = "piece placement does not cover 8 ranks of 8 squares";
        return false;
    }
    return true;
}

bool check_material(const FenPosition& fen, std::string& error) {
    int kings[2] = {0, 0}, men[2] = {0, 0}, pawns[2] = {0, 0};
    for (int square = A1; square <= H8; ++square) {
        const int32_t code = fen.squares[square];
        if (code == OFF_BOARD || code == EMPTY) continue;
        const int colour = code & 1; // 1 white
        ++men[colour];
        if (code == WHITE_KING || code == BLACK_KING) ++kings[colour];
        if (code == WHITE_PAWN || code == BLACK_PAWN) ++pawns[colour];
        if ((code == WHITE_PAWN || code == BLACK_PAWN) &&
            (rank_of[square] == 1 || rank_of[square] == 8)) {
            error = "pawn on the first or last rank";
            return false;
        }
    }
    if (kings[1] != 1 || kings[0] != 1) {
        error = "each side needs exactly one king";
        return false;
    }
    if (men[1] > 16 || men[0] > 16) {
        error = "more than 16 pieces on one side";
        return false;
    }
    // A side never has more than its eight pawns; the phase count (non_pawn_count) relies on it.
    if (pawns[1] > 8 || pawns[0] > 8) {
        error = "more than 8 pawns on one side";
        return false;
    }
    return true;
}

// A refusal in the strict reading; in the lenient one (with `repairs`) the note of what was
// dropped instead.
bool refuse_or_note(std::vector<std::string>* repairs, std::string& error, const char* refusal,
                    const std::string& note) {
    if (repairs == nullptr) {
        error = refusal;
        return false;
    }
    repairs->push_back(note);
    return true;
}

bool read_castling(std::string_view text, FenPosition& fen, std::string& error,
                   std::vector<std::string>* repairs) {
    if (text == "-") return true;
    for (char c : text) {
        bool* right = c == 'K'   ? &fen.white_kingside
                      : c == 'Q' ? &fen.white_queenside
                      : c == 'k' ? &fen.black_kingside
                      : c == 'q' ? &fen.black_queenside
                                 : nullptr;
        if (right == nullptr || *right) {
            if (!refuse_or_note(repairs, error, "bad castling field",
                                "castling letter '" + std::string(1, c) + "' ignored"))
                return false;
            continue;
        }
        *right = true;
    }
    const auto& sq = fen.squares;
    struct Right {
        bool& granted;
        char letter;
        bool in_place;
    };
    const Right rights[] = {
        {fen.white_kingside, 'K', sq[E1] == WHITE_KING && sq[H1] == WHITE_ROOK},
        {fen.white_queenside, 'Q', sq[E1] == WHITE_KING && sq[A1] == WHITE_ROOK},
        {fen.black_kingside, 'k', sq[E8] == BLACK_KING && sq[H8] == BLACK_ROOK},
        {fen.black_queenside, 'q', sq[E8] == BLACK_KING && sq[A8] == BLACK_ROOK}};
    for (const Right& right : rights) {
        if (!right.granted || right.in_place) continue;
        if (!refuse_or_note(repairs, error,
                            "castling right without the king and rook on their squares",
                            "castling right " + std::string(1, right.letter) +
                                " dropped: its king and rook are not on their squares"))
            return false;
        right.granted = false;
    }
    return true;
}

// An en-passant square must be the square a pawn of the side that just moved passed over with
// a double step: empty, with its start square empty and the pawn right in front of it.
bool read_en_passant(std::string_view text, FenPosition& fen, std::string& error,
                     std::vector<std::string>* repairs) {
    if (text == "-") return true;
    const std::string dropped = "en-passant square " + std::string(text) + " dropped: ";
    if (text.size() != 2 || text[0] < 'a' || text[0] > 'h' || text[1] < '1' || text[1] > '8')
        return refuse_or_note(repairs, error, "bad en-passant square", dropped + "not a square");
    const int square = square_at(text[0] - 'a', text[1] - '1');
    const int forward = fen.side == 1 ? -12 : 12; // towards the pawn that moved
    const int32_t mover_pawn = fen.side == 1 ? BLACK_PAWN : WHITE_PAWN;
    const int expected_rank = fen.side == 1 ? 6 : 3;
    if (rank_of[square] != expected_rank || fen.squares[square] != EMPTY ||
        fen.squares[square - forward] != EMPTY || fen.squares[square + forward] != mover_pawn)
        return refuse_or_note(repairs, error, "impossible en-passant square",
                              dropped + "no pawn has just passed over it");
    fen.en_passant = square;
    return true;
}

bool read_counter(const std::string& text, int32_t& value) {
    if (text.empty() || text.size() > 5) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// A square counts one move when its occupant is not the one the initial position has there, as
// if a game had brought the pieces to where the FEN shows them.
void count_moves_since_start(const FenPosition& fen) {
    for (int square = 0; square < BOARD_SQUARES; ++square)
        square_move_count[square] = 0;
    for (int square = A1; square <= H8; ++square)
        if (fen.squares[square] != OFF_BOARD && fen.squares[square] != initial_piece_on(square))
            square_move_count[square] = 1;
    if (!fen.white_kingside && !fen.white_queenside) {
        square_move_count[E1] = 1;
    } else {
        if (!fen.white_kingside) square_move_count[H1] = 1;
        if (!fen.white_queenside) square_move_count[A1] = 1;
    }
    if (!fen.black_kingside && !fen.black_queenside) {
        square_move_count[E8] = 1;
    } else {
        if (!fen.black_kingside) square_move_count[H8] = 1;
        if (!fen.black_queenside) square_move_count[A8] = 1;
    }
}

// A king beside its rook on the castled squares is taken to have castled.
int32_t castled_from_squares(const FenPosition& fen, int32_t king, int32_t rook, int king_home,
                             uint8_t kingside, uint8_t queenside) {
    const auto& sq = fen.squares;
    if (sq[king_home + 2] == king && sq[king_home + 1] == rook) return kingside;
    if (sq[king_home - 2] == king && sq[king_home - 1] == rook) return queenside;
    return 0;
}

void install(const FenPosition& fen) {
    non_pawn_count = 0;
    for (int square = 0; square < BOARD_SQUARES; ++square) {
        const int32_t code = fen.squares[square];
        board[square] = code;
        if (code == WHITE_KING) white_king_square = square;
        if (code == BLACK_KING) black_king_square = square;
        if (code != OFF_BOARD && code != EMPTY && code != WHITE_PAWN && code != BLACK_PAWN &&
            code != WHITE_KING && code != BLACK_KING)
            ++non_pawn_count;
    }
    count_moves_since_start(fen);
    side_to_move = fen.side;
    ep_square = fen.en_passant;
    fifty_counter = fen.halfmove_clock;
    white_castled = castled_from_squares(fen, WHITE_KING, WHITE_ROOK, E1, CASTLE_WHITE_KINGSIDE,
                                         CASTLE_WHITE_QUEENSIDE);
    black_castled = castled_from_squares(fen, BLACK_KING, BLACK_ROOK, E8, CASTLE_BLACK_KINGSIDE,
                                         CASTLE_BLACK_QUEENSIDE);
    key_history_count = 0;
    ply = 0;
    side_set_by_hand = false;
    rebuild_piece_list();
    hash_key = compute_key();
    pawn_key = compute_pawn_key();
    key_history[0] = hash_key;
}

// The side that has just moved may not have left its king attacked.
bool side_not_to_move_in_check() {
    return side_to_move == 1 ? square_attacked(black_king_square, true)
                             : square_attacked(white_king_square, false);
}

} // namespace

bool set_position_from_fen(std::string_view text, std::string& error,
                           std::vector<std::string>* repairs) {
    std::istringstream stream{std::string(text)};
    std::vector<std::string> fields;
    for (std::string field; stream >> field;)
        fields.push_back(field);
    // Interfaces often send only the placement and the side to move: the rest is the default.
    const size_t least_fields = repairs != nullptr ? 2 : 4;
    if (fields.size() < least_fields || fields.size() > 6) {
        error = repairs != nullptr ? "a FEN has 2 to 6 fields" : "a FEN has 4 to 6 fields";
        return false;
    }
    fields.resize(std::max<size_t>(fields.size(), 4), "-");
    FenPosition fen;
    if (!read_placement(fields[0], fen, error) || !check_material(fen, error)) return false;
    if (fields[1] != "w" && fields[1] != "b") {
        error = "side to move must be w or b";
        return false;
    }
    fen.side = fields[1] == "w" ? 1 : 0;
    if (!read_castling(fields[2], fen, error, repairs) ||
        !read_en_passant(fields[3], fen, error, repairs))
        return false;
    int32_t move_number = 1;
    if (fields.size() > 4 && !read_counter(fields[4], fen.halfmove_clock)) {
        fen.halfmove_clock = 0;
        if (!refuse_or_note(repairs, error, "bad move counter",
                            "half-move clock " + fields[4] + " unreadable; it starts at 0"))
            return false;
    }
    if (fields.size() > 5 && !read_counter(fields[5], move_number) &&
        !refuse_or_note(repairs, error, "bad move counter",
                        "move number " + fields[5] + " unreadable; ignored"))
        return false;

    // Checked on the engine's board, which is put back if the side that just moved is in check.
    int32_t saved_board[BOARD_SQUARES];
    for (int square = 0; square < BOARD_SQUARES; ++square)
        saved_board[square] = board[square];
    const int32_t saved_white_king = white_king_square, saved_black_king = black_king_square;
    const int32_t saved_side = side_to_move;
    for (int square = 0; square < BOARD_SQUARES; ++square)
        board[square] = fen.squares[square];
    side_to_move = fen.side;
    for (int square = A1; square <= H8; ++square) {
        if (board[square] == WHITE_KING) white_king_square = square;
        if (board[square] == BLACK_KING) black_king_square = square;
    }
    rebuild_square_sets();
    const bool opponent_in_check = side_not_to_move_in_check();
    for (int square = 0; square < BOARD_SQUARES; ++square)
        board[square] = saved_board[square];
    rebuild_square_sets();
    white_king_square = saved_white_king;
    black_king_square = saved_black_king;
    side_to_move = saved_side;
    if (opponent_in_check) {
        error = "the side that is not to move is in check";
        return false;
    }

    install(fen);
    return true;
}
