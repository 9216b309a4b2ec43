// The moves of a node of the strong search, produced in stages so that each stage is generated
// only when the node gets there: most nodes are refuted by the table move or a capture and
// never generate their quiet moves. The stages, with the bands of score_moves:
//   1. the table move, once found to be a move of this position (TABLE_MOVE_SCORE);
//   2. captures and promotions that do not lose material, best first (the good band); a
//      capture the exchange evaluation calls losing, and an under-promotion, waits for stage 5;
//   3. the two killers and the counter move, each when it is a quiet move of this position;
//   4. the other quiet moves, by their history;
//   5. the losing captures and under-promotions (the losing band).
// Each move of generate_moves comes exactly once, the table move, killers and counter move
// included. A move that did not come from this position's generators is never returned.
#pragma once

#include <cstdint>

#include "board/position.h"

class SearchThread;

class StagedMoves {
  public:
    // `quiet_checks_only`: of the quiet moves, only those that may give check (a node whose
    // quiet moves are futile). `sort_quiets`: the quiet moves are sorted once when they are
    // reached, for a node that will likely try many; otherwise each is picked by a scan.
    StagedMoves(SearchThread& thread, const Move& table_move, bool quiet_checks_only,
                bool sort_quiets);
    StagedMoves(const StagedMoves&) = delete;
    StagedMoves& operator=(const StagedMoves&) = delete;

    // The next move and its ordering score; false when every move has come.
    bool next(Move& move, int32_t& score);
    // From now on the quiet moves that certainly give no check are left out (late move pruning
    // and futility end the quiet moves, but never a check, so that no mate in one is missed).
    void drop_quiet_moves();

  private:
    enum class Stage : uint8_t {
        TABLE_MOVE,
        GENERATE_CAPTURES,
        GOOD_CAPTURES,
        FIRST_KILLER,
        SECOND_KILLER,
        COUNTER_MOVE,
        GENERATE_QUIETS,
        QUIETS,
        BAD_CAPTURES,
        DONE
    };

    bool is_left_out(const Move& move) const;
    bool take_quiet_move(const Move& wanted, Move& move);
    void generate_captures();
    void generate_quiets();

    SearchThread& thread;
    Stage stage = Stage::TABLE_MOVE;
    bool quiet_checks_only;
    bool sort_quiets;
    const Move wanted_table_move;
    // The identities (move_identity) of the moves already returned by stages 1 and 3; 0 for
    // none (no generated move has identity 0).
    uint32_t table_identity = 0;
    uint32_t special_identity[3] = {0, 0, 0};
    // list[0 .. bad_end-1]: the losing captures, set aside; list[current .. end-1]: the moves
    // of the stage in progress. Not initialised: a node fills only what it reaches.
    int32_t current = 0;
    int32_t end = 0;
    int32_t bad_end = 0;
    Move list[MAX_MOVES];
    int32_t scores[MAX_MOVES];
};
