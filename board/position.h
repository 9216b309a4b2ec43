// The position: its board, pieces, keys and the game that led to it.
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
// The most moves one man makes (the queen in the centre of an empty board).
inline constexpr int MAX_PIECE_MOVES = 27;

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

inline uint32_t key_low(uint64_t key) {
    return static_cast<uint32_t>(key);
}
inline uint32_t key_high(uint64_t key) {
    return static_cast<uint32_t>(key >> 32);
}

// What a move or a null move leaves for its taker-back to restore.
struct MoveUndo {
    uint64_t key;
    uint64_t pawn_key;
    int32_t ep_square;
};

// A position, the game that led to it and the search path below it, with the operations that
// play and take back moves on it, generate them and answer questions about it. The engine's game
// is one Position (board/game.h); each thread of the strong search works on a copy of its own.
struct Position {
    int32_t board[BOARD_SQUARES];
    // The squares holding each code, as bits (square_bit); squares_of[EMPTY] holds the empty
    // squares, squares_of[OFF_BOARD] nothing. Every write to a board square goes through
    // put_on_square, which keeps them, so they agree with the board whatever was written (even
    // on a board whose side to move was set by hand).
    uint64_t squares_of[PIECE_CODES];
    int32_t piece_list[33]; // slots 1..piece_count; 0 is a hole; slot 0 is scratch
    int32_t piece_index[BOARD_SQUARES];
    int32_t piece_count;
    // The slots of each side's pieces in slot order, indexed by colour (1 white, 0 black). A
    // piece keeps its slot and its colour until the next rebuild (a capture leaves a hole, a
    // promotion keeps the pawn's slot), so the generators walk only the side to move's slots.
    int32_t side_slots[2][16];
    int32_t side_slot_count[2];
    // The same slots split by kind at the last rebuild: those of pawns, and those of every other
    // piece (kings included). A pawn's slot holds a piece after a promotion; promoted_pawns
    // counts the promotions made since the rebuild and not taken back, so while it is 0 every
    // pawn slot holds a pawn or a hole.
    int32_t pawn_slots[32];
    int32_t pawn_slot_count;
    int32_t piece_slots[32];
    int32_t piece_slot_count;
    int32_t promoted_pawns;
    int32_t white_king_square;
    int32_t black_king_square;
    int32_t side_to_move; // 1 white, 0 black
    int32_t ep_square;    // square passed over by the last double step, else 0
    // Castling rights live in the move counts of the king and rook squares: a right is held
    // while both counts are 0, and a piece that left and came back keeps it lost.
    int32_t square_move_count[BOARD_SQUARES];
    int32_t white_castled;
    int32_t black_castled;
    int32_t non_pawn_count; // knights, bishops, rooks and queens of both colours
    int32_t fifty_counter;
    uint64_t hash_key;
    // The pawns' share of the key: the XOR of the keys of the pawns on their squares. The
    // evaluation's pawn cache is indexed by it.
    uint64_t pawn_key;
    int32_t key_history_count;
    int32_t ply;
    // Set when the move is handed to a side by hand (the xboard commands "white" and "black")
    // rather than by a move: the key keeps the other side's number from then on, and the side
    // handed the move may be able to take the king or capture behind its own pawn. A new game or
    // a FEN set-up clears it.
    bool side_set_by_hand;
    int32_t fifty_history[MAX_PLY];
    uint64_t key_history[HISTORY_SIZE]; // earlier positions of the game and search path

    // Becomes a copy of `source`, its game and search path included (only the part of the key
    // history in use is copied).
    void copy_from(const Position& source);

    // ---- The board's records (board/position.h).

    // Writes `code` on a board square that holds `old_code`.
    void put_on_square(int square, int32_t old_code, int32_t code);
    // A piece of `code` goes from `from` to `to`, where `target` stood (EMPTY for none); and the
    // same move taken back. Both flip the same bits, once per set, so each undoes the other.
    void flip_move_squares(int from, int to, int32_t code, int32_t target);
    void move_on_board(int from, int to, int32_t code, int32_t target);
    void move_back_on_board(int from, int to, int32_t code, int32_t target);
    uint64_t occupied_squares() const { return ~squares_of[EMPTY]; }
    // True while the game history has room for one more game move.
    bool game_history_has_room() const { return key_history_count < MAX_GAME_PLIES; }
    // Rebuilds piece_list, piece_index and piece_count from the board, in square order, so that
    // the holes left by captures disappear; and squares_of.
    void rebuild_piece_list();
    // Rebuilds squares_of from the board, for code that wrote the board directly.
    void rebuild_square_sets();

    // ---- Keys (board/keys.h, board/keys.cpp).

    // The pawns' share of the key (pawn_key) computed from scratch; make_move keeps it exactly.
    uint64_t compute_pawn_key() const;
    // The key of the current position computed from scratch. The key make_move keeps agrees
    // with it except in two cases. The castling numbers change only on a king's first move,
    // while compute_key reads the move counts: once a rook has left (or been taken on) its
    // corner before its king moved, the key keeps that right's "held" number and compute_key has
    // the "lost" one. The book's keys were made this way, so it stays. And a side handed the move
    // by hand (the commands "white" and "black", see side_set_by_hand) leaves the side number as
    // it was.
    uint64_t compute_key() const;
    // The key the position will have after `move` when the move is an ordinary one (not a
    // castling, a double step, a promotion, an en-passant capture or a king's first move). A
    // guess for prefetching the table slot before the move is made; nothing may rely on it.
    uint64_t key_after_ordinary_move(const Move& move) const;

    // ---- Playing a move and taking it back (board/make_move.h, board/make_move.cpp).
    //
    // unmake_move restores everything make_move changed but the keys (hash_key, pawn_key) and
    // the en-passant square, which the caller keeps. Callers that try a move and take it back
    // use play_move and take_back_move, which keep those two, count the ply and ask legality in
    // the one order every such caller needs.

    // Plays list[index]; writes the record's captured_slot, which unmake_move reads back, so
    // the record must stay in place until then.
    void make_move(Move* list, int index);
    // Takes back list[index]; called with the same list, index and ply as the make, last in
    // first out. The keys and en-passant square are still the made move's until the caller
    // restores them.
    void unmake_move(const Move* list, int index);
    // Plays list[index] one ply deeper and answers whether it was legal. The move stands either
    // way: every play_move is followed by its take_back_move. A caller that knows whether the
    // side to move is in check passes it, and most moves then need no attack test; true is
    // always safe. A node that took squares_needing_legality_test(in_check) before its moves
    // passes those squares too: a move from any other square, not en passant, is then legal
    // without a test (any larger set is safe).
    bool play_move(Move* list, int index, MoveUndo& undo, bool in_check = true,
                   uint64_t squares_to_test = ~uint64_t{0});
    void take_back_move(const Move* list, int index, const MoveUndo& undo);
    // Passes the move to the opponent one ply deeper: the position joins the history, the
    // fifty-move count runs on, and an en-passant right lapses.
    void make_null_move(MoveUndo& undo);
    void unmake_null_move(const MoveUndo& undo);

    // ---- Move and capture generation (board/movegen.h). Neither generator asks whether a move
    // leaves the mover's king attacked or castles through check: the caller makes each move and
    // asks move_was_legal. The order of appending is fixed, because ordering ties, the book and
    // the move parser all walk the list in this order.

    // Appends every pseudo-legal move of side_to_move at list[count], increasing count.
    void generate_moves(Move* list, int32_t& count) const;
    // Appends every pseudo-legal capture (en passant included) and every pawn move to the last
    // rank (expanded into four promotions) of side_to_move.
    void generate_captures(Move* list, int32_t& count) const;
    // Appends the other moves of side_to_move: every move generate_moves appends that neither
    // captures nor promotes (castlings included), in the order generate_moves appends them. The
    // two generators together append exactly the moves of generate_moves.
    void generate_quiet_moves(Move* list, int32_t& count) const;
    // Whether generate_moves would append a move with the squares and promotion of `wanted` (a
    // move from the table, a killer: from another position, perhaps); if so, `found` becomes
    // that move as generated here (what it captures, en passant, castling). Only the moves of
    // the piece on wanted.from are generated for it.
    bool find_generated_move(const Move& wanted, Move& found) const;

    // ---- Attack and check detection (board/attack.h). Generation is pseudo-legal; legality is
    // decided after a move is made, by asking whether the mover's king (or, for castling, any
    // square the king touched) is attacked.

    // True when a piece of the given colour attacks `square`. The square's own content is never
    // looked at.
    bool square_attacked(int square, bool by_white) const;
    bool side_to_move_in_check() const;
    // Asked after make_move(list, index) and before its unmake: did the side that moved leave
    // its king attacked, or castle out of, through or into check?
    bool move_was_legal(const Move* list, int index) const;
    // The same answer, given whether the side that moved was in check before the move (true is
    // always safe). A side not in check that moves neither its king nor en passant can only
    // uncover an attack along the line from its king through the square the piece left, so only
    // that line is looked at; everything else takes the full test.
    bool move_was_legal(const Move* list, int index, bool mover_was_in_check) const;
    // The squares from which a move by the side to move can leave its own king attacked, taken
    // once per node before its moves: every square while it is in check; otherwise its king's
    // square (king moves and castlings) and the squares of every line from the king on which an
    // enemy slider that moves along such lines stands, whatever lies between. A piece leaving any
    // other square uncovers no attack, so such a move (unless en passant, which empties a second
    // square) needs no test at all after it is made.
    uint64_t squares_needing_legality_test(bool in_check) const;
    // Taken once per node whose side to move is in check: the squares a move other than a king
    // move or en passant must reach to answer the check, that is the checking piece's square
    // and, for a slider, the squares between it and the king. None under a double check, which
    // only the king can answer.
    uint64_t check_evasion_squares() const;
    // Asked before the move is made: false when the move certainly gives no check, true when it
    // gives one, directly or by uncovering a slider, and for castling and en passant, which are
    // not worked out. Pruning spares the moves it answers true for, so that no mate in one is
    // pruned.
    bool may_give_check(const Move& move) const;
    // False for a move that certainly leaves the king of the side to move, which is in check,
    // still attacked; true for every other move, whose legality is then settled after it is
    // made (the king's own moves and en passant are always left to that test).
    bool may_answer_check(const Move& move, uint64_t evasion_squares) const;

    // ---- Repetition and the fifty-move rule (board/repetition.h).

    // Inside the search path a single earlier occurrence of the position counts; before the
    // root the position must already stand twice, so that with the current one it stands three
    // times. Both scans stop at the last pawn move or capture.
    bool is_repetition() const;
    // The fifty-move rule draws from the 101st half-move without a pawn move or capture.
    bool fifty_move_rule_reached() const;

    // ---- A self-check of the position's redundant records, for debug builds (board/
    // consistency.h): make, unmake and the null move assert it after every change, so that a
    // faster make/unmake cannot drift from the board without a test noticing.

    // True when the piece list and piece index describe the board, the king squares hold the
    // kings, non_pawn_count fits the pieces on the board, the pawn key is the pawns' own, and
    // the incremental key agrees with the key computed from scratch wherever the two must agree
    // (compute_key says where they may differ).
    bool position_is_consistent() const;

    // The pieces of one colour that can attack a square, by code (board/attack.cpp).
    struct Attackers;

  private:
    // What the operations above share (board/make_move.cpp, movegen.h, movegen.cpp,
    // captures.cpp, attack.cpp, consistency.cpp).
    void count_move_on(int square) { ++square_move_count[square]; }
    void uncount_move_on(int square) { --square_move_count[square]; }
    void castle_rook(int32_t rook, int rook_from, int rook_to);
    void uncastle_rook(int32_t rook, int rook_home, int rook_now);
    void drop_castling_keys(int king_home, int kingside_rook, int queenside_rook,
                            const uint64_t* kingside_keys, const uint64_t* queenside_keys);
    void capture_en_passant(Move& move, int victim_square, int32_t victim);
    void move_pawn(Move& move, int32_t pawn, int32_t target, int double_step, int32_t enemy_pawn);
    void add_pawn_move(Move* list, int32_t& count, int from, int to, uint8_t ep_flag) const;
    void add_knight_move(Move* list, int32_t& count, int from, int to) const;
    void add_king_move(Move* list, int32_t& count, int from, int to, uint8_t castle) const;
    void add_slide_moves(Move* list, int32_t& count, int from, int first_to) const;
    void add_capture(Move* list, int32_t& count, int from, int to) const;
    void add_slide_capture(Move* list, int32_t& count, int from, int first_to) const;
    void add_white_pawn_moves(Move* list, int32_t& count, int sq) const;
    void add_black_pawn_moves(Move* list, int32_t& count, int sq) const;
    void add_castlings(Move* list, int32_t& count, int sq, int home, int kingside_rook_square,
                       int queenside_rook_square, int32_t rook, uint8_t kingside,
                       uint8_t queenside) const;
    void add_piece_moves(Move* list, int32_t& count, int sq) const;
    void add_white_pawn_quiets(Move* list, int32_t& count, int sq) const;
    void add_black_pawn_quiets(Move* list, int32_t& count, int sq) const;
    void add_step_quiets(Move* list, int32_t& count, int from, const int (&steps)[8]) const;
    template <int N>
    void add_slide_quiets(Move* list, int32_t& count, int from, const int (&rays)[N]) const;
    void add_white_pawn_captures(Move* list, int32_t& count, int sq) const;
    void add_black_pawn_captures(Move* list, int32_t& count, int sq) const;
    template <int N>
    void add_ray_captures(Move* list, int32_t& count, int from, const int (&directions)[N],
                          uint64_t occupied, uint64_t enemies) const;
    void add_step_captures(Move* list, int32_t& count, int from, const int (&steps)[8],
                           uint64_t reach, uint64_t enemies) const;
    uint64_t pieces_of_colour(int colour) const;
    bool attacked_by(int square, const Attackers& by, const uint64_t* pawn_from) const;
    bool uncovers_attack(int king, int vacated, const Attackers& by) const;
    bool piece_list_matches_board() const;
    bool non_pawn_count_fits() const;
    bool key_agrees() const;
    bool square_sets_match_board() const;
};

inline void Position::put_on_square(int square, int32_t old_code, int32_t code) {
    board[square] = code;
    squares_of[old_code] ^= square_bit[square];
    squares_of[code] ^= square_bit[square];
}

// (A move to an empty square flips the empty set once, for both squares, rather than twice in a
// row, which would chain two read-modify-writes of one word.)
inline void Position::flip_move_squares(int from, int to, int32_t code, int32_t target) {
    const uint64_t from_bit = square_bit[from], to_bit = square_bit[to];
    squares_of[code] ^= from_bit | to_bit;
    if (target == EMPTY) {
        squares_of[EMPTY] ^= from_bit | to_bit;
    } else {
        squares_of[target] ^= to_bit;
        squares_of[EMPTY] ^= from_bit;
    }
}
inline void Position::move_on_board(int from, int to, int32_t code, int32_t target) {
    board[to] = code;
    board[from] = EMPTY;
    flip_move_squares(from, to, code, target);
}
inline void Position::move_back_on_board(int from, int to, int32_t code, int32_t target) {
    board[from] = code;
    board[to] = target;
    flip_move_squares(from, to, code, target);
}

// The piece code the initial position has on a square.
int32_t initial_piece_on(int square);
