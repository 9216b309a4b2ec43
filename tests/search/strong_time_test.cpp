// The strong search's time plan: soft and hard limits from the clock, the increment and the
// moves to go, never beyond what the clock allows, and the scaling after an iteration.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "search/strong/time_management.h"

namespace {

TimePlan plan_for(int64_t time_left, int64_t increment, int32_t moves_to_go = 0) {
    return plan_time(ClockReading{time_left, increment, moves_to_go, -1});
}

TEST(StrongTime, LimitsFromTheClock) {
    // 1 s + 0.01 s, from the first move down to a nearly empty clock: the hard limit always
    // leaves most of the time on the clock, the soft one lies below it, both are positive.
    for (int64_t left : {1000, 500, 200, 100, 40, 10, 1, 0}) {
        const TimePlan plan = plan_for(left, 10);
        EXPECT_TRUE(plan.use_clock);
        EXPECT_GE(plan.soft, 1) << left;
        EXPECT_LE(plan.soft, plan.hard) << left;
        EXPECT_LE(plan.hard, std::max<int64_t>(left * 4 / 10, 1)) << left;
    }
    // The increment counts: with it a move gets more.
    EXPECT_GT(plan_for(10000, 100).soft, plan_for(10000, 0).soft);
    EXPECT_EQ(plan_for(10000, 0).soft, 10000 / 40 - DEFAULT_MOVE_OVERHEAD);
    // Fewer moves to go, more per move; the last move before the time control may use most
    // of the clock but never all of it.
    EXPECT_GT(plan_for(10000, 0, 5).soft, plan_for(10000, 0, 20).soft);
    const TimePlan last = plan_for(10000, 0, 1);
    EXPECT_GT(last.hard, 5000);
    EXPECT_LT(last.hard, 10000);
    // A time per move is used whole, without an early stop; no clock, no plan.
    const TimePlan fixed = plan_time(ClockReading{-1, 0, 0, 500});
    EXPECT_TRUE(fixed.fixed_time);
    EXPECT_EQ(fixed.hard, 480);
    EXPECT_FALSE(plan_time(ClockReading{}).use_clock);
    // The overhead comes off every limit, at a time per move and on the clock alike, but a
    // millisecond is always left.
    EXPECT_EQ(plan_time(ClockReading{-1, 0, 0, 500, 300}).hard, 200);
    EXPECT_EQ(plan_time(ClockReading{-1, 0, 0, 500, 900}).hard, 1);
    const TimePlan without = plan_time(ClockReading{10000, 100, 0, -1, 0});
    const TimePlan with = plan_time(ClockReading{10000, 100, 0, -1, 100});
    EXPECT_EQ(with.soft, without.soft - 100);
    EXPECT_EQ(with.hard, without.hard - 100);
    EXPECT_EQ(plan_time(ClockReading{10000, 0, 0, -1, 60000}).soft, 1);
}

// Any reading at all, down to the extremes of 64 bits, gives a sound plan: both limits at least
// a millisecond, the soft within the hard, the hard within the share of the clock it may take.
// Enormous increments once wrapped the plan negative and made the engine move at once.
TEST(StrongTime, ExtremeReadingsGiveASoundPlan) {
    const int64_t extremes[] = {
        INT64_MIN, -1, 0, 1, 100000, MAX_CLOCK_MILLISECONDS, int64_t{4000000000000000000},
        INT64_MAX};
    for (int64_t left : extremes) {
        if (left < 0) continue; // no clock: no plan to check
        for (int64_t increment : extremes) {
            for (int64_t overhead : {int64_t{0}, int64_t{20}, INT64_MAX, INT64_MIN}) {
                const TimePlan plan = plan_time(ClockReading{left, increment, 0, -1, overhead});
                const auto context = ::testing::Message()
                                     << left << " + " << increment << ", overhead " << overhead;
                ASSERT_TRUE(plan.use_clock) << context;
                EXPECT_GE(plan.soft, 1) << context;
                EXPECT_LE(plan.soft, plan.hard) << context;
                const int64_t held = std::min(left, MAX_CLOCK_MILLISECONDS);
                EXPECT_LE(plan.hard, std::max<int64_t>(held * 4 / 10, 1)) << context;
            }
        }
    }
    // With 100 s left an enormous increment still gives the move its full share of the clock.
    EXPECT_EQ(plan_for(100000, 4000000000000000000).hard, 40000 - DEFAULT_MOVE_OVERHEAD);
    for (int64_t move_time : {int64_t{0}, MAX_CLOCK_MILLISECONDS, INT64_MAX}) {
        const TimePlan fixed = plan_time(ClockReading{-1, 0, 0, move_time});
        EXPECT_GE(fixed.hard, 1) << move_time;
        EXPECT_LE(fixed.hard, MAX_CLOCK_MILLISECONDS) << move_time;
    }
}

TEST(StrongTime, SoftLimitScalesWithStabilityAndScoreDrops) {
    const double changed = soft_limit_scale({0, 0});
    const double stable_once = soft_limit_scale({1, 0});
    const double stable_long = soft_limit_scale({5, 0});
    EXPECT_GT(changed, stable_once);
    EXPECT_GT(stable_once, stable_long);
    EXPECT_GT(soft_limit_scale({1, 100}), stable_once);
    EXPECT_DOUBLE_EQ(soft_limit_scale({1, 1000}), 2 * stable_once); // at most twice as long
    EXPECT_DOUBLE_EQ(soft_limit_scale({1, -300}), stable_once); // a rising score changes nothing
}

TEST(StrongTime, SoftLimitShrinksAsTheBestMoveTakesMoreOfTheNodes) {
    const double unknown = soft_limit_scale({1, 0});
    const double contested = soft_limit_scale({1, 0, 0.2});
    const double usual = soft_limit_scale({1, 0, 0.7});
    const double alone = soft_limit_scale({1, 0, 1.0});
    EXPECT_GT(contested, usual);
    EXPECT_GT(usual, alone);
    EXPECT_GT(contested, unknown); // a contested move gets more time than by stability alone
    EXPECT_LT(alone, unknown);     // an uncontested one less
    // A share beyond the whole (it cannot be, but a sum may round so) counts as the whole.
    EXPECT_DOUBLE_EQ(soft_limit_scale({1, 0, 1.5}), alone);
    // The stretch for a falling score still applies on top.
    EXPECT_GT(soft_limit_scale({1, 100, 0.7}), usual);
}

} // namespace
