#include "board/make_move.h"

#include <cassert>

#include "board/consistency.h"
#include "board/keys.h"

// A castling moves the rook too: on the board, in its piece-list slot and in the key.
inline void Position::castle_rook(int32_t rook, int rook_from, int rook_to) {
    hash_key ^= zobrist_piece[rook][rook_from] ^ zobrist_piece[rook][rook_to];
    count_move_on(rook_from);
    count_move_on(rook_to);
    put_on_square(rook_from, board[rook_from], EMPTY);
    put_on_square(rook_to, board[rook_to], rook);
    const int32_t slot = piece_index[rook_from];
    piece_list[slot] = rook_to;
    piece_index[rook_to] = slot;
    piece_index[rook_from] = 0;
}

inline void Position::uncastle_rook(int32_t rook, int rook_home, int rook_now) {
    uncount_move_on(rook_home);
    uncount_move_on(rook_now);
    const int32_t slot = piece_index[rook_now];
    piece_index[rook_now] = 0;
    put_on_square(rook_home, board[rook_home], rook);
    put_on_square(rook_now, board[rook_now], EMPTY);
    piece_index[rook_home] = slot;
    piece_list[slot] = rook_home;
}

// The castling part of the key changes only on a king's first move: for each castling whose
// rook has not moved, the key for the right held is replaced by the key for the right lost. A
// rook that left its corner earlier took the right away through the counts alone.
inline void Position::drop_castling_keys(int king_home, int kingside_rook, int queenside_rook,
                                         const uint64_t* kingside_keys,
                                         const uint64_t* queenside_keys) {
    if (square_move_count[king_home] != 0) return;
    hash_key ^= kingside_keys[square_move_count[kingside_rook] == 0 ? 1 : 0];
    hash_key ^= queenside_keys[square_move_count[queenside_rook] == 0 ? 1 : 0];
    hash_key ^= kingside_keys[0];
    hash_key ^= queenside_keys[0];
}

inline void Position::capture_en_passant(Move& move, int victim_square, int32_t victim) {
    hash_key ^= zobrist_piece[victim][victim_square];
    pawn_key ^= zobrist_piece[victim][victim_square];
    put_on_square(victim_square, board[victim_square], EMPTY);
    count_move_on(victim_square);
    const int32_t slot = piece_index[victim_square];
    move.captured_slot = static_cast<uint8_t>(slot);
    piece_list[slot] = 0;
    piece_index[victim_square] = 0;
}

inline void Position::move_pawn(Move& move, int32_t pawn, int32_t target, int double_step,
                                int32_t enemy_pawn) {
    const int from = move.from, to = move.to;
    pawn_key ^= zobrist_piece[pawn][from];
    if (move.promotion != 0) {
        ++promoted_pawns;
        hash_key ^= zobrist_piece[pawn][to] ^ zobrist_piece[move.promotion][to];
        put_on_square(to, target, move.promotion);
        put_on_square(from, pawn, EMPTY);
    } else {
        pawn_key ^= zobrist_piece[pawn][to];
        move_on_board(from, to, pawn, target);
        if (move.ep_flag) {
            capture_en_passant(move, to - double_step / 2, enemy_pawn);
        } else if (to == from + double_step) {
            ep_square = from + double_step / 2;
            hash_key ^= zobrist_ep[ep_square];
        }
    }
    count_move_on(to);
    count_move_on(from);
}

void Position::make_move(Move* list, int index) {
    Move& move = list[index];
    const int from = move.from, to = move.to;
    const int32_t piece = board[from];
    const int32_t target = board[to];

    // 1. History: the position before the move joins the game and search path.
    key_history[key_history_count++] = hash_key;

    // 2-4. Key for the moving piece, a capture, the old en-passant square and the side.
    hash_key ^= zobrist_piece[piece][from] ^ zobrist_piece[target][to] ^ zobrist_piece[piece][to];
    hash_key ^= zobrist_ep[ep_square] ^ zobrist_side[0] ^ zobrist_side[1];
    ep_square = 0;
    if (target == WHITE_PAWN || target == BLACK_PAWN) pawn_key ^= zobrist_piece[target][to];

    // 5. Fifty-move counter, remembered per ply for unmake.
    fifty_history[ply] = fifty_counter;
    if (piece == WHITE_PAWN || piece == BLACK_PAWN || target != EMPTY)
        fifty_counter = 0;
    else
        ++fifty_counter;

    // 6. Piece list: the captured piece's slot becomes a hole (slot 0 is scratch for a
    // non-capture), and the mover's slot follows it to the new square.
    const int32_t captured_slot = piece_index[to];
    move.captured_slot = static_cast<uint8_t>(captured_slot);
    piece_list[captured_slot] = 0;
    piece_index[to] = piece_index[from];
    piece_list[piece_index[to]] = to;
    piece_index[from] = 0;

    // 7. Phase: a knight, bishop, rook or queen left the board.
    if (target != WHITE_PAWN && target != BLACK_PAWN && target != EMPTY) --non_pawn_count;

    // 8. Board, by the moving piece.
    switch (piece) {
    case WHITE_PAWN: move_pawn(move, WHITE_PAWN, target, 24, BLACK_PAWN); break;
    case BLACK_PAWN: move_pawn(move, BLACK_PAWN, target, -24, WHITE_PAWN); break;
    case WHITE_KING:
        drop_castling_keys(E1, H1, A1, zobrist_castle_wk, zobrist_castle_wq);
        move_on_board(from, to, WHITE_KING, target);
        white_king_square = to;
        count_move_on(to);
        count_move_on(from);
        if (move.castle == CASTLE_WHITE_KINGSIDE) {
            castle_rook(WHITE_ROOK, H1, F1);
            white_castled = CASTLE_WHITE_KINGSIDE;
        } else if (move.castle == CASTLE_WHITE_QUEENSIDE) {
            castle_rook(WHITE_ROOK, A1, D1);
            white_castled = CASTLE_WHITE_QUEENSIDE;
        }
        break;
    case BLACK_KING:
        drop_castling_keys(E8, H8, A8, zobrist_castle_bk, zobrist_castle_bq);
        move_on_board(from, to, BLACK_KING, target);
        black_king_square = to;
        count_move_on(to);
        count_move_on(from);
        if (move.castle == CASTLE_BLACK_KINGSIDE) {
            castle_rook(BLACK_ROOK, H8, F8);
            black_castled = CASTLE_BLACK_KINGSIDE;
        } else if (move.castle == CASTLE_BLACK_QUEENSIDE) {
            castle_rook(BLACK_ROOK, A8, D8);
            black_castled = CASTLE_BLACK_QUEENSIDE;
        }
        break;
    default:
        move_on_board(from, to, piece, target);
        count_move_on(to);
        count_move_on(from);
        break;
    }

    // 9. The other side moves next.
    side_to_move ^= 1;
    assert(position_is_consistent());
}

void Position::unmake_move(const Move* list, int index) {
    const Move& move = list[index];
    const int from = move.from, to = move.to;
    const int32_t captured = move.captured;
    const int32_t slot = move.captured_slot;

    --key_history_count;
    fifty_counter = fifty_history[ply];

    // Piece list: the mover's slot goes back to `from`, the captured piece's slot to `to`.
    piece_index[from] = piece_index[to];
    piece_list[slot] = to;
    piece_index[to] = slot;
    piece_list[piece_index[from]] = from;

    if (captured != WHITE_PAWN && captured != BLACK_PAWN && captured != EMPTY) ++non_pawn_count;

    const int32_t mover = board[to];
    uncount_move_on(to);
    uncount_move_on(from);
    if (move.promotion != 0) {
        --promoted_pawns;
        put_on_square(to, mover, captured);
        put_on_square(from, EMPTY, (mover & 1) ? WHITE_PAWN : BLACK_PAWN);
    } else if (move.ep_flag) {
        // The captured pawn goes back behind the target square, into its old slot.
        const int victim_square = mover == WHITE_PAWN ? to - 12 : to + 12;
        put_on_square(to, mover, EMPTY);
        put_on_square(from, EMPTY, mover);
        put_on_square(victim_square, board[victim_square], captured);
        uncount_move_on(victim_square);
        piece_index[victim_square] = slot;
        piece_index[to] = 0;
        piece_list[slot] = victim_square;
    } else {
        move_back_on_board(from, to, mover, captured);
        if (mover == WHITE_KING) {
            white_king_square = from;
            if (move.castle == CASTLE_WHITE_KINGSIDE) {
                uncastle_rook(WHITE_ROOK, H1, F1);
                white_castled = 0;
            } else if (move.castle == CASTLE_WHITE_QUEENSIDE) {
                uncastle_rook(WHITE_ROOK, A1, D1);
                white_castled = 0;
            }
        } else if (mover == BLACK_KING) {
            black_king_square = from;
            if (move.castle == CASTLE_BLACK_KINGSIDE) {
                uncastle_rook(BLACK_ROOK, H8, F8);
                black_castled = 0;
            } else if (move.castle == CASTLE_BLACK_QUEENSIDE) {
                uncastle_rook(BLACK_ROOK, A8, D8);
                black_castled = 0;
            }
        }
    }

    side_to_move ^= 1;
}

void Position::make_null_move(MoveUndo& undo) {
    undo.key = hash_key;
    undo.pawn_key = pawn_key;
    undo.ep_square = ep_square;
    key_history[key_history_count++] = hash_key;
    ++fifty_counter;
    hash_key ^= zobrist_side[0] ^ zobrist_side[1] ^ zobrist_ep[ep_square];
    side_to_move ^= 1;
    ++ply;
    ep_square = 0;
    assert(position_is_consistent());
}

void Position::unmake_null_move(const MoveUndo& undo) {
    ep_square = undo.ep_square;
    side_to_move ^= 1;
    --ply;
    --key_history_count;
    --fifty_counter;
    hash_key = undo.key;
    assert(position_is_consistent());
}
