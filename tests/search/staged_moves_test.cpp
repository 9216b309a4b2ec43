// The strong search's staged moves: every move of the full generator exactly once, whatever the
// table move, killers and counter move hold (moves of other positions, or nothing sensible),
// in the bands of the full ordering, and a node cut before its quiet moves or that drops them.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "board/attack.h"
#include "board/game.h"
#include "board/movegen.h"
#include "search/strong/ordering.h"
#include "search/strong/staged_moves.h"
#include "search/strong/thread.h"
#include "support/board_helpers.h"

namespace {

using test_support::record_of;
using Records = std::vector<std::string>;

struct Taken {
    Move move;
    int32_t score;
};

// The band of a score, from the top: 0 table move, 1 good captures, 2 killers and counter, 3
// quiet moves by history, 4 losing captures.
int band_of(int32_t score) {
    if (score == TABLE_MOVE_SCORE) return 0;
    if (is_killer_or_counter_score(score)) return 2;
    if (score > FIRST_KILLER_SCORE) return 1;
    if (is_losing_capture_score(score)) return 4;
    return 3;
}

Records sorted_records(const Move* list, int32_t count) {
    Records records;
    for (int32_t i = 0; i < count; ++i)
        records.push_back(record_of(list[i]));
    std::sort(records.begin(), records.end());
    return records;
}

// Every move the staged moves give (at most `limit`), checked on the way: the bands never rise,
// a move's band fits the move, and within the capture and quiet bands the scores never rise.
std::vector<Taken> take_all(StagedMoves& moves, const std::string& where, size_t limit = 1000) {
    std::vector<Taken> taken;
    Taken next;
    while (taken.size() < limit && moves.next(next.move, next.score)) {
        const int band = band_of(next.score);
        const bool quiet = is_quiet(next.move);
        if (band == 1 || band == 4) {
            EXPECT_FALSE(quiet) << where << " " << record_of(next.move);
        } else if (band == 2 || band == 3) {
            EXPECT_TRUE(quiet) << where << " " << record_of(next.move);
        }
        if (!taken.empty()) {
            const Taken& last = taken.back();
            EXPECT_LE(band_of(last.score), band) << where << " " << record_of(next.move);
            // (A good capture's lowest bit marks it for the exchange evaluation until it comes.)
            if (band_of(last.score) == band && band != 2) {
                EXPECT_GE(band == 1 ? last.score / 2 : last.score,
                          band == 1 ? next.score / 2 : next.score)
                    << where << " " << record_of(next.move);
            }
        }
        taken.push_back(next);
    }
    return taken;
}

Records sorted_records(const std::vector<Taken>& taken) {
    Records records;
    for (const Taken& one : taken)
        records.push_back(record_of(one.move));
    std::sort(records.begin(), records.end());
    return records;
}

class StagedMovesTest : public ::testing::Test {
  protected:
    void SetUp() override { thread = std::make_unique<SearchThread>(); }

    // The thread on the game position at ply 2, with the given killers and counter move (the
    // counter move answers a black pawn's move to d5, the position's own or not).
    void on_game_position(const Move& killer1, const Move& killer2, const Move& counter) {
        thread->copy_from(game_position);
        thread->forget_everything();
        thread->ply = 2;
        thread->strong_killers[2][0] = killer1;
        thread->strong_killers[2][1] = killer2;
        thread->move_stack[2] = NULL_MOVE;
        thread->move_stack[2].from = static_cast<uint8_t>(test_support::square_named("d7"));
        thread->move_stack[2].to = static_cast<uint8_t>(test_support::square_named("d5"));
        thread->moved_piece_stack[2] = BLACK_PAWN;
        thread->counter_moves[BLACK_PAWN][thread->move_stack[2].to] = counter;
    }

    std::unique_ptr<SearchThread> thread;
};

TEST_F(StagedMovesTest, EveryMoveOnceWhateverTheTableMoveKillersAndCounterHold) {
    std::mt19937 random(7);
    std::vector<Move> elsewhere; // moves of earlier positions
    int positions = 0, table_moves_played = 0, killers_played = 0;
    test_support::for_each_generation_test_position([&](const std::string& where) {
        ++positions;
        Move list[MAX_MOVES];
        int32_t count = 0;
        generate_moves(list, count);
        const Records expected = sorted_records(list, count);
        auto pick = [&](const std::vector<Move>& from) {
            return from.empty() ? NULL_MOVE : from[random() % from.size()];
        };
        std::vector<Move> own(list, list + count), own_quiet;
        for (const Move& move : own)
            if (is_quiet(move)) own_quiet.push_back(move);
        Move garbage{};
        garbage.from = static_cast<uint8_t>(random() % 256);
        garbage.to = static_cast<uint8_t>(random() % 256);
        garbage.promotion = static_cast<uint8_t>(random() % 16);
        // Table move, killers, counter: nothing; this position's own; other positions'; a
        // capture as a killer; records that are no move at all.
        const Move cases[][4] = {
            {NULL_MOVE, NULL_MOVE, NULL_MOVE, NULL_MOVE},
            {pick(own), pick(own_quiet), pick(own_quiet), pick(own_quiet)},
            {pick(elsewhere), pick(elsewhere), pick(elsewhere), pick(elsewhere)},
            {pick(own_quiet), pick(own), pick(elsewhere), pick(own_quiet)},
            {garbage, garbage, pick(own), garbage},
        };
        for (const auto& c : cases) {
            for (bool sort_quiets : {false, true}) {
                on_game_position(c[1], c[2], c[3]);
                StagedMoves moves(*thread, c[0], false, sort_quiets);
                const std::vector<Taken> taken = take_all(moves, where);
                EXPECT_EQ(sorted_records(taken), expected) << where;
                // The table move comes first exactly when it is a move here; nothing else
                // takes its score.
                bool table_move_here = false;
                for (int32_t i = 0; i < count; ++i)
                    table_move_here = table_move_here || same_move(list[i], c[0]);
                for (size_t i = 0; i < taken.size(); ++i)
                    EXPECT_EQ(taken[i].score == TABLE_MOVE_SCORE, table_move_here && i == 0)
                        << where;
                if (table_move_here) {
                    ++table_moves_played;
                    EXPECT_TRUE(same_move(taken[0].move, c[0])) << where;
                }
                // The killer band holds exactly the killers and counter move that are quiet
                // moves here.
                for (const Taken& one : taken) {
                    if (!is_killer_or_counter_score(one.score)) continue;
                    ++killers_played;
                    EXPECT_TRUE(same_move(one.move, c[1]) || same_move(one.move, c[2]) ||
                                same_move(one.move, c[3]))
                        << where << " " << record_of(one.move);
                }
            }
        }
        elsewhere.insert(elsewhere.end(), own.begin(), own.end());
    });
    EXPECT_GT(positions, 200);
    EXPECT_GT(table_moves_played, 200);
    EXPECT_GT(killers_played, 200);
}

TEST_F(StagedMovesTest, ANodeCutBeforeItsQuietMovesGetsTheTableMoveAndGoodCaptures) {
    test_support::for_each_generation_test_position([&](const std::string& where) {
        Move list[MAX_MOVES];
        int32_t count = 0;
        generate_moves(list, count);
        on_game_position(NULL_MOVE, NULL_MOVE, NULL_MOVE);
        // The good captures by the full ordering's bands, the exchange evaluation settled.
        const Move table_move = count > 0 ? list[count - 1] : NULL_MOVE;
        Records good;
        for (int32_t i = 0; i < count; ++i) {
            if (is_quiet(list[i]) || same_move(list[i], table_move)) continue;
            int32_t score = thread->capture_score(list[i]);
            thread->settle_capture(list[i], score);
            if (!is_losing_capture_score(score)) good.push_back(record_of(list[i]));
        }
        std::sort(good.begin(), good.end());
        StagedMoves moves(*thread, table_move, false, true);
        std::vector<Taken> taken = take_all(moves, where, 1 + good.size());
        if (table_move.from != 0) {
            ASSERT_FALSE(taken.empty()) << where;
            EXPECT_EQ(record_of(taken[0].move), record_of(table_move)) << where;
            taken.erase(taken.begin());
        }
        EXPECT_EQ(sorted_records(taken), good) << where;
        // The next move, if any, is no good capture; the rest are never asked for.
        Taken after;
        if (moves.next(after.move, after.score)) {
            EXPECT_GT(band_of(after.score), 1) << where << " " << record_of(after.move);
        }
    });
}

TEST_F(StagedMovesTest, DroppedQuietMovesLeaveOnlyChecksCapturesAndMovesAlreadyTaken) {
    test_support::for_each_generation_test_position([&](const std::string& where) {
        Move list[MAX_MOVES];
        int32_t count = 0;
        generate_moves(list, count);
        Move quiet_killer = NULL_MOVE;
        for (int32_t i = count - 1; i >= 0 && quiet_killer.from == 0; --i)
            if (is_quiet(list[i])) quiet_killer = list[i];
        for (int drop_after : {-1, 0, 1, 3, 8}) {
            for (bool sort_quiets : {false, true}) {
                on_game_position(quiet_killer, NULL_MOVE, NULL_MOVE);
                // -1: only the quiet checks from the start (a node whose quiet moves are futile).
                StagedMoves moves(*thread, list[0], drop_after < 0, sort_quiets);
                std::vector<Taken> taken;
                Taken next;
                int quiets_taken = 0;
                bool dropped = drop_after < 0;
                Records before_drop;
                while (moves.next(next.move, next.score)) {
                    taken.push_back(next);
                    if (!is_quiet(next.move)) continue;
                    if (dropped) {
                        EXPECT_TRUE(thread->may_give_check(next.move))
                            << where << " " << record_of(next.move);
                    } else if (drop_after == 0) {
                        // Dropped at the first quiet move that gives no check, which is pruned
                        // itself, as the search does.
                        if (!thread->may_give_check(next.move)) {
                            moves.drop_quiet_moves();
                            taken.pop_back();
                            dropped = true;
                        }
                    } else {
                        before_drop.push_back(record_of(next.move));
                        if (++quiets_taken == drop_after) {
                            moves.drop_quiet_moves();
                            dropped = true;
                        }
                    }
                }
                // Given: every capture, every quiet check, the quiet moves before the drop.
                Records expected;
                for (int32_t i = 0; i < count; ++i) {
                    const std::string record = record_of(list[i]);
                    const bool before = std::find(before_drop.begin(), before_drop.end(), record) !=
                                        before_drop.end();
                    if (!is_quiet(list[i]) || thread->may_give_check(list[i]) || before)
                        expected.push_back(record);
                }
                std::sort(expected.begin(), expected.end());
                EXPECT_EQ(sorted_records(taken), expected) << where << " drop " << drop_after;
            }
        }
    });
}

// However badly captures like it have fared, a capture that loses material is found out by the
// exchange evaluation and comes with the losing captures, after the quiet moves.
TEST_F(StagedMovesTest, ACaptureWithTheWorstHistoryIsStillCheckedByTheExchange) {
    test_support::set_up("4k3/8/4p3/3p4/8/8/8/3QK3 w - - 0 1");
    on_game_position(NULL_MOVE, NULL_MOVE, NULL_MOVE);
    Move queen_takes{};
    queen_takes.from = static_cast<uint8_t>(test_support::square_named("d1"));
    queen_takes.to = static_cast<uint8_t>(test_support::square_named("d5"));
    ASSERT_TRUE(thread->find_generated_move(queen_takes, queen_takes));
    thread->capture_history_of(queen_takes) = -HISTORY_LIMIT;
    int32_t score = thread->capture_score(queen_takes);
    EXPECT_LT(score, GOOD_CAPTURE_BAND); // below the band's base
    EXPECT_TRUE(thread->settle_capture(queen_takes, score));
    EXPECT_TRUE(is_losing_capture_score(score));
    StagedMoves moves(*thread, NULL_MOVE, false, true);
    const std::vector<Taken> taken = take_all(moves, "queen takes a defended pawn");
    ASSERT_FALSE(taken.empty());
    EXPECT_TRUE(same_move(taken.back().move, queen_takes));
    EXPECT_TRUE(is_losing_capture_score(taken.back().score));
}

} // namespace
