// The one position the engine keeps, and the game that led to it.
//
// The board is a 12 x 12 mailbox: square = 26 + file + 12 * rank (a1 = 26, h8 = 117), with a
// border two squares wide so that a knight jump from any board square stays inside the array.
#pragma once

#include <array>
#include <cstdint>

// Piece codes. Among real pieces odd is white and even is black; EMPTY (odd) and OFF_BOARD
// (even) must be excluded before a parity test for colour.
inline constexpr int32_t OFF_BOARD = 0;
inline constexpr int32_t WHITE_PAWN = 1;
inline constexpr int32_t BLACK_PAWN = 2;
inline constexpr int32_t WHITE_KNIGHT = 3;
inline constexpr int32_t BLACK_KNIGHT = 4;
inline constexpr int32_t WHITE_KING = 5;
inline constexpr int32_t BLACK_KING = 6;
inline constexpr int32_t WHITE_ROOK = 7;
inline constexpr int32_t BLACK_ROOK = 8;
inline constexpr int32_t WHITE_QUEEN = 9;
inline constexpr int32_t BLACK_QUEEN = 10;
inline constexpr int32_t WHITE_BISHOP = 11;
inline constexpr int32_t BLACK_BISHOP = 12;
inline constexpr int32_t EMPTY = 13;
inline constexpr int PIECE_CODES = 14;

inline constexpr int BOARD_SQUARES = 144;

// Squares the rules single out.
inline constexpr int A1 = 26, B1 = 27, C1 = 28, D1 = 29, E1 = 30, F1 = 31, G1 = 32, H1 = 33;
inline constexpr int A8 = 110, B8 = 111, C8 = 112, D8 = 113, E8 = 114, F8 = 115, G8 = 116, H8 = 117;

inline constexpr int square_at(int file, int rank) {
    return 26 + file + 12 * rank;
}

// The castle field of a move, and the values of white_castled / black_castled.
inline constexpr uint8_t CASTLE_NONE = 0;
inline constexpr uint8_t CASTLE_WHITE_KINGSIDE = 1;
inline constexpr uint8_t CASTLE_WHITE_QUEENSIDE = 2;
inline constexpr uint8_t CASTLE_BLACK_KINGSIDE = 3;
inline constexpr uint8_t CASTLE_BLACK_QUEENSIDE = 4;

// Seven packed bytes; the same record travels through move lists, the transposition table,
// the principal-variation and killer tables, the book and the move parser.
struct Move {
    uint8_t from;
    uint8_t to;
    uint8_t captured;      // code on `to` when generated (the pawn's code for en passant)
    uint8_t captured_slot; // piece-list slot of the captured piece, written by make_move
    uint8_t ep_flag;
    uint8_t promotion; // code of the piece promoted to, 0 for none
    uint8_t castle;
};
static_assert(sizeof(Move) == 7);

inline constexpr Move NULL_MOVE{};

// Two moves are the same move when they go between the same squares with the same promotion.
inline bool same_move(const Move& a, const Move& b) {
    return a.from == b.from && a.to == b.to && a.promotion == b.promotion;
}

// A move list of a search node must hold every pseudo-legal move of any position the engine
// can reach. A side has at most 16 men and one king. The king makes at most 8 steps and 2
// castlings; every other man makes at most 27 moves (a queen in the centre of an empty board;
// a rook makes at most 14, a bishop 13, a knight 8, and a pawn at most 12 records, 3 targets
// times 4 promotions). 10 + 15 * 27 = 415 bounds every position, promotions included.
inline constexpr int MAX_MOVES = 10 + 15 * 27;

// Search plies: per-ply tables (killers, principal variation, fifty-move undo) have this many
// rows, and the search never goes this deep.
inline constexpr int MAX_PLY = 1000;

// The longest game the engine keeps. A game played to the fifty-move rule ends well before
// this; only a game entered in force mode can get here, and then further moves are refused.
// The key history has room for a whole search path beyond it.
inline constexpr int MAX_GAME_PLIES = 16384;
inline constexpr int HISTORY_SIZE = MAX_GAME_PLIES + MAX_PLY + 2;

// Rank 1..8 and file 1..8 (a = 1) of every board square; 0 on the border.
inline constexpr std::array<uint8_t, BOARD_SQUARES> rank_of = [] {
    std::array<uint8_t, BOARD_SQUARES> ranks{};
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file)
            ranks[square_at(file, rank)] = rank + 1;
    return ranks;
}();
inline constexpr std::array<uint8_t, BOARD_SQUARES> file_of = [] {
    std::array<uint8_t, BOARD_SQUARES> files{};
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file)
            files[square_at(file, rank)] = file + 1;
    return files;
}();

// One bit per square of the board, 8 * (rank - 1) + (file - 1): a1 is bit 0, h1 bit 7, h8 bit
// 63. Border squares (and 0, the square of a hole in the piece list) have none.
inline constexpr std::array<uint64_t, BOARD_SQUARES> square_bit = [] {
    std::array<uint64_t, BOARD_SQUARES> bits{};
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file)
            bits[square_at(file, rank)] = uint64_t{1} << (8 * rank + file);
    return bits;
}();
// The board square of each bit.
inline constexpr std::array<uint8_t, 64> square_of_bit = [] {
    std::array<uint8_t, 64> squares{};
    for (int bit = 0; bit < 64; ++bit)
        squares[bit] = static_cast<uint8_t>(square_at(bit & 7, bit >> 3));
    return squares;
}();

extern int32_t board[BOARD_SQUARES];
// The squares holding each code, as bits (square_bit); squares_of[EMPTY] holds the empty
// squares, squares_of[OFF_BOARD] nothing. Every write to a board square goes through
// put_on_square, which keeps them, so they agree with the board whatever was written (even on a
// board whose side to move was set by hand).
extern uint64_t squares_of[PIECE_CODES];
extern int32_t piece_list[33]; // slots 1..piece_count; 0 is a hole; slot 0 is scratch
extern int32_t piece_index[BOARD_SQUARES];
extern int32_t piece_count;
// The slots of each side's pieces in slot order, indexed by colour (1 white, 0 black). A piece
// keeps its slot and its colour until the next rebuild (a capture leaves a hole, a promotion
// keeps the pawn's slot), so the generators walk only the side to move's slots.
extern int32_t side_slots[2][16];
extern int32_t side_slot_count[2];
// The same slots split by kind at the last rebuild: those of pawns, and those of every other
// piece (kings included). A pawn's slot holds a piece after a promotion; promoted_pawns counts
// the promotions made since the rebuild and not taken back, so while it is 0 every pawn slot
// holds a pawn or a hole.
extern int32_t pawn_slots[32];
extern int32_t pawn_slot_count;
extern int32_t piece_slots[32];
extern int32_t piece_slot_count;
extern int32_t promoted_pawns;
extern int32_t white_king_square;
extern int32_t black_king_square;
extern int32_t side_to_move; // 1 white, 0 black
extern int32_t ep_square;    // square passed over by the last double step, else 0
// Castling rights live in the move counts of the king and rook squares: a right is held while
// both counts are 0, and a piece that left and came back keeps it lost.
extern int32_t square_move_count[BOARD_SQUARES];
extern int32_t white_castled;
extern int32_t black_castled;
extern int32_t non_pawn_count; // knights, bishops, rooks and queens of both colours
extern int32_t fifty_counter;
extern int32_t fifty_history[MAX_PLY];
extern uint64_t hash_key;
// The pawns' share of the key: the XOR of the keys of the pawns on their squares. The
// evaluation's pawn cache is indexed by it.
extern uint64_t pawn_key;
extern uint64_t key_history[HISTORY_SIZE]; // earlier positions of the game and search path
extern int32_t key_history_count;
extern int32_t ply;
// Set when the move is handed to a side by hand (the xboard commands "white" and "black") rather
// than by a move: the key keeps the other side's number from then on, and the side handed the
// move may be able to take the king or capture behind its own pawn. A new game or a FEN set-up
// clears it.
extern bool side_set_by_hand;

inline uint32_t key_low(uint64_t key) {
    return static_cast<uint32_t>(key);
}
inline uint32_t key_high(uint64_t key) {
    return static_cast<uint32_t>(key >> 32);
}

// Writes `code` on a board square that holds `old_code`.
inline void put_on_square(int square, int32_t old_code, int32_t code) {
    board[square] = code;
    squares_of[old_code] ^= square_bit[square];
    squares_of[code] ^= square_bit[square];
}

// A piece of `code` goes from `from` to `to`, where `target` stood (EMPTY for none); and the
// same move taken back. Both flip the same bits, once per set, so each undoes the other.
// (A move to an empty square flips the empty set once, for both squares, rather than twice in a
// row, which would chain two read-modify-writes of one word.)
inline void flip_move_squares(int from, int to, int32_t code, int32_t target) {
    const uint64_t from_bit = square_bit[from], to_bit = square_bit[to];
    squares_of[code] ^= from_bit | to_bit;
    if (target == EMPTY) {
        squares_of[EMPTY] ^= from_bit | to_bit;
    } else {
        squares_of[target] ^= to_bit;
        squares_of[EMPTY] ^= from_bit;
    }
}
inline void move_on_board(int from, int to, int32_t code, int32_t target) {
    board[to] = code;
    board[from] = EMPTY;
    flip_move_squares(from, to, code, target);
}
inline void move_back_on_board(int from, int to, int32_t code, int32_t target) {
    board[from] = code;
    board[to] = target;
    flip_move_squares(from, to, code, target);
}

inline uint64_t occupied_squares() {
    return ~squares_of[EMPTY];
}

// The piece code the initial position has on a square.
int32_t initial_piece_on(int square);

// Sets up the initial position and all game state.
void new_game();

// Gives the move to `side` (1 white, 0 black) without a move being made.
void hand_move_to(int32_t side);

// Rebuilds piece_list, piece_index and piece_count from the board, in square order, so that
// the holes left by captures disappear; and squares_of.
void rebuild_piece_list();

// Rebuilds squares_of from the board, for code that wrote the board directly.
void rebuild_square_sets();

// True while the game history has room for one more game move.
inline bool game_history_has_room() {
    return key_history_count < MAX_GAME_PLIES;
}
