// When the slot table hands a SIG out again: after the deadline of its slot, and after
// the quarantine of a request that got no answer, on a tick count the test sets.
#include "test_ticks.h"

#include "protocol/uTarvelSigSlots.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t Timeout = 100;

TTarvelFormat97 AnswerWithSig(uint8_t sig)
{
    TTarvelFormat97 answer;
    answer.Sig = sig;
    return answer;
}

} // namespace

TEST(SigSlots, ATakenSlotIsHandedOutAgainOnlyAfterItsDeadline)
{
    const struct {
        uint32_t Start;   // tick count when SIG 0 is taken
        uint32_t Later;   // ticks after that, at the next allocation
        uint8_t Expected; // the SIG it gets
    } cases[] = {
        {1000, Timeout - 1, 1},
        {1000, Timeout, 1},
        {1000, Timeout + 1, 0},
        // The deadline lies beyond the wrap of the 32-bit tick count.
        {0xFFFFFFF0u, Timeout, 1},
        {0xFFFFFFF0u, Timeout + 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Start << " + " << c.Later);
        TTestTicks ticks(c.Start, 0);
        TTarvelSigSlots slots;
        ASSERT_EQ(slots.Allocate(0x30, Timeout), 0);
        ticks.Set(c.Start + c.Later);
        EXPECT_EQ(slots.Allocate(0x30, Timeout), c.Expected);
    }
}

TEST(SigSlots, ATimedOutSigStaysOutOfUseForFiveTimeOutsWhateverFreedItDuringTheWait)
{
    const struct {
        bool FreedDuringTheWait; // a packet with the SIG reached the slot before the time-out
        uint32_t Later;          // ticks after the quarantine began, at the next allocation
        uint8_t Expected;
    } cases[] = {
        {false, Timeout + 1, 1},
        {false, 5 * Timeout - 1, 1},
        {false, 5 * Timeout, 1},
        {false, 5 * Timeout + 1, 0},
        {true, 1, 1},
        {true, 5 * Timeout, 1},
        {true, 5 * Timeout + 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.FreedDuringTheWait ? "freed, " : "") << c.Later);
        TTestTicks ticks(1000, 0);
        TTarvelSigSlots slots;
        ASSERT_EQ(slots.Allocate(0x30, Timeout), 0);
        if (c.FreedDuringTheWait) {
            ASSERT_TRUE(slots.Deliver(AnswerWithSig(0)));
        }
        ticks.Set(1000 + Timeout);
        slots.Quarantine(0, Timeout);
        EXPECT_TRUE(slots.IsTaken(0));
        ticks.Set(1000 + Timeout + c.Later);
        EXPECT_EQ(slots.Allocate(0x30, Timeout), c.Expected);
    }
}
