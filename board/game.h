// The engine's game: the one position the front ends keep, play moves on and hand to a search,
// under the names the engine has always used for it. The classic search, the front ends, the
// book, the tools and the tests work on it through these names; the strong search's threads
// each work on a copy of it (search/strong/thread.h), and the code they run (board, evaluation,
// network, strong search) never includes this header, so that it cannot reach the game by
// mistake.
#pragma once

#include <cstdint>

#include "board/position.h"

extern Position game_position;

// The game position's records, by their names.
inline int32_t (&board)[BOARD_SQUARES] = game_position.board;
inline uint64_t (&squares_of)[PIECE_CODES] = game_position.squares_of;
inline int32_t (&piece_list)[33] = game_position.piece_list;
inline int32_t (&piece_index)[BOARD_SQUARES] = game_position.piece_index;
inline int32_t& piece_count = game_position.piece_count;
inline int32_t (&side_slots)[2][16] = game_position.side_slots;
inline int32_t (&side_slot_count)[2] = game_position.side_slot_count;
inline int32_t (&pawn_slots)[32] = game_position.pawn_slots;
inline int32_t& pawn_slot_count = game_position.pawn_slot_count;
inline int32_t (&piece_slots)[32] = game_position.piece_slots;
inline int32_t& piece_slot_count = game_position.piece_slot_count;
inline int32_t& promoted_pawns = game_position.promoted_pawns;
inline int32_t& white_king_square = game_position.white_king_square;
inline int32_t& black_king_square = game_position.black_king_square;
inline int32_t& side_to_move = game_position.side_to_move;
inline int32_t& ep_square = game_position.ep_square;
inline int32_t (&square_move_count)[BOARD_SQUARES] = game_position.square_move_count;
inline int32_t& white_castled = game_position.white_castled;
inline int32_t& black_castled = game_position.black_castled;
inline int32_t& non_pawn_count = game_position.non_pawn_count;
inline int32_t& fifty_counter = game_position.fifty_counter;
inline int32_t (&fifty_history)[MAX_PLY] = game_position.fifty_history;
inline uint64_t& hash_key = game_position.hash_key;
inline uint64_t& pawn_key = game_position.pawn_key;
inline uint64_t (&key_history)[HISTORY_SIZE] = game_position.key_history;
inline int32_t& key_history_count = game_position.key_history_count;
inline int32_t& ply = game_position.ply;
inline bool& side_set_by_hand = game_position.side_set_by_hand;

// Sets up the initial position and all game state.
void new_game();

// Gives the move to `side` (1 white, 0 black) without a move being made.
void hand_move_to(int32_t side);

// The position's operations (board/position.h) on the game. Those defined inline need the
// header that defines them (board/make_move.h, board/keys.h, board/attack.h,
// board/repetition.h) where they are called.
inline uint64_t occupied_squares() {
    return game_position.occupied_squares();
}
inline bool game_history_has_room() {
    return game_position.game_history_has_room();
}
inline void rebuild_piece_list() {
    game_position.rebuild_piece_list();
}
inline void rebuild_square_sets() {
    game_position.rebuild_square_sets();
}
inline void put_on_square(int square, int32_t old_code, int32_t code) {
    game_position.put_on_square(square, old_code, code);
}
inline uint64_t compute_pawn_key() {
    return game_position.compute_pawn_key();
}
inline uint64_t compute_key() {
    return game_position.compute_key();
}
inline uint64_t key_after_ordinary_move(const Move& move) {
    return game_position.key_after_ordinary_move(move);
}
inline void make_move(Move* list, int index) {
    game_position.make_move(list, index);
}
inline void unmake_move(const Move* list, int index) {
    game_position.unmake_move(list, index);
}
inline bool play_move(Move* list, int index, MoveUndo& undo, bool in_check = true,
                      uint64_t squares_to_test = ~uint64_t{0}) {
    return game_position.play_move(list, index, undo, in_check, squares_to_test);
}
inline void take_back_move(const Move* list, int index, const MoveUndo& undo) {
    game_position.take_back_move(list, index, undo);
}
inline void make_null_move(MoveUndo& undo) {
    game_position.make_null_move(undo);
}
inline void unmake_null_move(const MoveUndo& undo) {
    game_position.unmake_null_move(undo);
}
inline void generate_moves(Move* list, int32_t& count) {
    game_position.generate_moves(list, count);
}
inline void generate_captures(Move* list, int32_t& count) {
    game_position.generate_captures(list, count);
}
inline bool square_attacked(int square, bool by_white) {
    return game_position.square_attacked(square, by_white);
}
inline bool side_to_move_in_check() {
    return game_position.side_to_move_in_check();
}
inline bool move_was_legal(const Move* list, int index) {
    return game_position.move_was_legal(list, index);
}
inline bool move_was_legal(const Move* list, int index, bool mover_was_in_check) {
    return game_position.move_was_legal(list, index, mover_was_in_check);
}
inline uint64_t squares_needing_legality_test(bool in_check) {
    return game_position.squares_needing_legality_test(in_check);
}
inline uint64_t check_evasion_squares() {
    return game_position.check_evasion_squares();
}
inline bool may_give_check(const Move& move) {
    return game_position.may_give_check(move);
}
inline bool may_answer_check(const Move& move, uint64_t evasion_squares) {
    return game_position.may_answer_check(move, evasion_squares);
}
inline bool is_repetition() {
    return game_position.is_repetition();
}
inline bool fifty_move_rule_reached() {
    return game_position.fifty_move_rule_reached();
}
inline bool position_is_consistent() {
    return game_position.position_is_consistent();
}
