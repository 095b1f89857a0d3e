// The wait for written bytes, on a stand-in queue and clock: a real line's
// output queue drains at the line's speed, which no pseudo-terminal shows.
#include "platform/output_wait.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kelvo::platform;
using namespace std::chrono_literals;

namespace {

constexpr auto start = OutputClock::time_point {} + 1h;
constexpr auto noDeadline = OutputClock::time_point::max();

// A queue holding `bytes` until the clock reaches `emptyAt`, on a clock that
// moves only when slept on.
class ScriptedQueue final : public OutputQueue {
public:
    ScriptedQueue(std::optional<std::size_t> bytes, OutputClock::time_point emptyAt) : bytes_(bytes), emptyAt_(emptyAt) {}

    std::optional<std::size_t> queued() override
    {
        askedAt.push_back(now_);
        if (!bytes_)
            return std::nullopt;
        return now_ >= emptyAt_ ? 0 : *bytes_;
    }
    OutputClock::time_point now() override { return now_; }
    void sleepUntil(OutputClock::time_point when) override
    {
        ++sleeps;
        now_ = std::max(now_, when);
    }

    std::vector<OutputClock::time_point> askedAt;
    int sleeps = 0;

private:
    std::optional<std::size_t> bytes_;
    OutputClock::time_point emptyAt_;
    OutputClock::time_point now_ {start};
};

}

TEST(OutputWait, LineTimeIsTenBitsAByteAtTheSpeed)
{
    EXPECT_EQ(byteLineTime(1, 9600), 1041us);
    EXPECT_EQ(byteLineTime(4, 57600), 694us);
    EXPECT_EQ(byteLineTime(96, 9600), 100ms);
    EXPECT_EQ(byteLineTime(10, 115200), 868us);
    EXPECT_EQ(byteLineTime(5, 0), 0us) << "an unconfigured port has no line time";
}

TEST(OutputWait, AsksTheQueueOnceTheBytesLineTimeHasPassed)
{
    // A UART at 57600 bit/s sends a 4-byte request in 0.69 ms: the wait ends
    // then, not after a step of a millisecond a byte.
    ScriptedQueue queue(4, start + 694us);
    EXPECT_EQ(waitForOutput(queue, 4, 57600, start, noDeadline), 0u);
    ASSERT_EQ(queue.askedAt.size(), 1u);
    EXPECT_EQ(queue.askedAt[0], start + 694us);

    // Bytes whose write itself took longer than their line time are asked
    // about at once.
    ScriptedQueue late(1, {});
    EXPECT_EQ(waitForOutput(late, 1, 9600, start - 5ms, noDeadline), 0u);
    EXPECT_EQ(late.sleeps, 0);
    ASSERT_EQ(late.askedAt.size(), 1u);

    // A device that cannot tell its queue counts as empty after the line time.
    ScriptedQueue unknown(std::nullopt, {});
    EXPECT_EQ(waitForOutput(unknown, 2, 9600, start, noDeadline), 0u);
    EXPECT_EQ(unknown.now(), start + byteLineTime(2, 9600));
}

TEST(OutputWait, AQueueThatEmptiesLateIsWaitedForWithinTheTimeOut)
{
    // CTS holds the last 2 bytes for 5 ms beyond their line time.
    const auto emptyAt = start + byteLineTime(2, 9600) + 5ms;
    ScriptedQueue queue(2, emptyAt);
    EXPECT_EQ(waitForOutput(queue, 2, 9600, start, start + 1s), 0u);
    EXPECT_GE(queue.now(), emptyAt);
    EXPECT_LE(queue.now(), emptyAt + byteLineTime(2, 9600)) << "asked again by the line time of what is left";
    for (std::size_t k = 1; k < queue.askedAt.size(); ++k)
        EXPECT_GE(queue.askedAt[k] - queue.askedAt[k - 1], 100us) << "never asked in a busy loop";

    // At a high speed the queue is asked again no more often than every 100 µs.
    ScriptedQueue fast(1, start + 10ms);
    EXPECT_EQ(waitForOutput(fast, 1, 115200, start, start + 1s), 0u);
    EXPECT_LE(fast.askedAt.size(), 101u);
}

TEST(OutputWait, AQueueThatNeverEmptiesEndsAtTheWriteTimeOut)
{
    ScriptedQueue queue(3, noDeadline);
    EXPECT_EQ(waitForOutput(queue, 5, 9600, start, start + 50ms), 3u) << "the bytes still queued";
    EXPECT_EQ(queue.now(), start + 50ms) << "no sleep beyond the deadline";

    // A deadline sooner than the line time: the queue is asked at the deadline.
    ScriptedQueue shortWait(4, noDeadline);
    EXPECT_EQ(waitForOutput(shortWait, 4, 9600, start, start + 1ms), 4u);
    EXPECT_EQ(shortWait.now(), start + 1ms);
}
