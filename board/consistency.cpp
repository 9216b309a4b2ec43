#include "board/consistency.h"

#include <bit>

#include "board/keys.h"
#include "board/position.h"

namespace {

inline bool is_real_piece(int32_t code) {
    return code != OFF_BOARD && code != EMPTY;
}

} // namespace

// Every occupied slot names a square holding a piece that points back at it; every piece on the
// board has such a slot, and every empty square points nowhere.
bool Position::piece_list_matches_board() const {
    if (piece_count < 0 || piece_count > 32) return false;
    for (int slot = 1; slot <= piece_count; ++slot) {
        const int square = piece_list[slot];
        if (square == 0) continue; // a hole left by a capture
        if (square < A1 || square > H8 || !is_real_piece(board[square])) return false;
        if (piece_index[square] != slot) return false;
    }
    for (int square = A1; square <= H8; ++square) {
        if (rank_of[square] == 0) continue;
        if (!is_real_piece(board[square])) {
            if (board[square] != EMPTY || piece_index[square] != 0) return false;
            continue;
        }
        const int32_t slot = piece_index[square];
        if (slot < 1 || slot > piece_count || piece_list[slot] != square) return false;
    }
    return true;
}

// non_pawn_count drops with every knight, bishop, rook or queen captured but does not rise for
// a promotion, so it may fall short of the pieces on the board by at most the pawns that are
// gone (and goes below 0 when promoted pieces are taken again).
bool Position::non_pawn_count_fits() const {
    int32_t pieces = 0, pawns = 0;
    for (int square = A1; square <= H8; ++square) {
        const int32_t code = board[square];
        if (code == WHITE_PAWN || code == BLACK_PAWN)
            ++pawns;
        else if (is_real_piece(code) && code != WHITE_KING && code != BLACK_KING)
            ++pieces;
    }
    return non_pawn_count <= pieces && non_pawn_count >= pieces - (16 - pawns);
}

// The keys may differ only by the castling numbers of corners whose rook square has seen a move
// (see keys.h): the difference must be the XOR of some of those corners' held/lost pairs.
bool Position::key_agrees() const {
    const uint64_t difference = hash_key ^ compute_key();
    const struct {
        int corner;
        const uint64_t* keys;
    } corners[4] = {{H1, zobrist_castle_wk},
                    {A1, zobrist_castle_wq},
                    {H8, zobrist_castle_bk},
                    {A8, zobrist_castle_bq}};
    for (int subset = 0; subset < 16; ++subset) {
        uint64_t allowed = 0;
        bool possible = true;
        for (int i = 0; i < 4; ++i) {
            if ((subset & (1 << i)) == 0) continue;
            if (square_move_count[corners[i].corner] == 0) possible = false;
            allowed ^= corners[i].keys[0] ^ corners[i].keys[1];
        }
        if (possible && allowed == difference) return true;
    }
    return false;
}

// The square sets follow every board write, so they agree with the board even where nothing
// else can be asserted.
bool Position::square_sets_match_board() const {
    uint64_t seen = 0;
    for (int code = 0; code < PIECE_CODES; ++code) {
        if ((seen & squares_of[code]) != 0) return false;
        seen |= squares_of[code];
        for (uint64_t bits = squares_of[code]; bits != 0; bits &= bits - 1)
            if (board[square_of_bit[std::countr_zero(bits)]] != code) return false;
    }
    return seen == ~uint64_t{0};
}

bool Position::position_is_consistent() const {
    if (!square_sets_match_board()) return false;
    // Once a side has been handed the move by hand the position is no longer one of chess: that
    // side may take the king, or take en passant behind its own double step (unmake then puts
    // back a pawn that was never there), and the key no longer follows the side to move.
    // Nothing can be asserted about it until a new game or set-up.
    if (side_set_by_hand) return true;
    if (!piece_list_matches_board()) return false;
    if (board[white_king_square] != WHITE_KING || board[black_king_square] != BLACK_KING)
        return false;
    return non_pawn_count_fits() && key_agrees() && pawn_key == compute_pawn_key();
}
