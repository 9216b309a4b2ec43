// Fuzz target: the FEN reader, strict and lenient. The input is one FEN, or anything else. What
// must hold:
// - a FEN the reader refuses leaves the position exactly as it was, with a reason;
// - the lenient reading takes every FEN the strict one takes, as the same position and without
//   a repair; a FEN the strict reading refuses is tried leniently, and what it takes is checked
//   as below;
// - a FEN it takes gives a consistent position in which the side that has just moved is not in
//   check, every piece stands on the board, and a new game history starts from it;
// - from that position every legal move, and every legal reply to it, is made and taken back
//   leaving the position exactly as it was, and each position on the way stays consistent;
// - the evaluation of the position and of every position after one legal move stays within
//   its bound.
#include <cstdlib>
#include <string>
#include <vector>

#include "board/attack.h"
#include "board/fen.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "eval/evaluate.h"
#include "fuzz_support.h"

namespace {

void check_evaluation(const std::string& context) {
    const int32_t score = evaluate();
    FUZZ_CHECK(std::abs(score) < fuzz::EVALUATION_BOUND, context + ": " + std::to_string(score));
}

// Every legal move, made and taken back, and every legal reply to it. The root moves are checked
// closely (the whole position back as it was, the evaluation after the move); the replies,
// which are many more, for consistency only.
void walk_moves(bool replies, const std::string& context) {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    FUZZ_CHECK(count <= MAX_MOVES, context);
    for (int i = 0; i < count; ++i) {
        const fuzz::PositionSnapshot before = replies ? fuzz::snapshot() : fuzz::PositionSnapshot{};
        MoveUndo undo;
        if (play_move(list, i, undo)) {
            FUZZ_CHECK(position_is_consistent(), context);
            if (replies) {
                check_evaluation(context);
                walk_moves(false, context);
            }
        }
        take_back_move(list, i, undo);
        if (replies) FUZZ_CHECK(fuzz::snapshot() == before, context);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::set_up_engine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::reset_engine();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const fuzz::PositionSnapshot before = fuzz::snapshot();
    std::string error;
    bool taken = set_position_from_fen(text, error);
    std::string context = "FEN \"" + text + "\"";
    std::vector<std::string> repairs;
    if (taken) {
        const fuzz::PositionSnapshot strict = fuzz::snapshot();
        fuzz::reset_engine();
        FUZZ_CHECK(set_position_from_fen(text, error, &repairs) && repairs.empty(), context);
        FUZZ_CHECK(fuzz::snapshot() == strict, context + " read leniently");
    } else {
        FUZZ_CHECK(!error.empty(), context);
        FUZZ_CHECK(fuzz::snapshot() == before, context + " refused (" + error + ")");
        error.clear();
        taken = set_position_from_fen(text, error, &repairs);
        context += " read leniently";
        if (!taken) {
            FUZZ_CHECK(!error.empty(), context);
            FUZZ_CHECK(fuzz::snapshot() == before, context + " refused (" + error + ")");
            return 0;
        }
    }
    fuzz::check_position(context);
    FUZZ_CHECK(key_history_count == 0 && key_history[0] == hash_key, context);
    FUZZ_CHECK(board[white_king_square] == WHITE_KING && board[black_king_square] == BLACK_KING,
               context);
    const bool just_moved_in_check = side_to_move == 1 ? square_attacked(black_king_square, true)
                                                       : square_attacked(white_king_square, false);
    FUZZ_CHECK(!just_moved_in_check, context);
    check_evaluation(context);
    walk_moves(true, context);
    return 0;
}
