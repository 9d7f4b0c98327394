#include "transports/serial/AfCircularBuffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Take(TAfCircularBuffer& ring)
{
    std::string out;
    while (size_t run = ring.ContiguousRun()) {
        out.append(ring.ReadPtr(), run);
        EXPECT_TRUE(ring.Remove(run));
    }
    return out;
}

} // namespace

TEST(AfCircularBuffer, WrappedContentCountsAndReadsInOrder)
{
    TAfCircularBuffer ring(10);
    ASSERT_TRUE(ring.Write("01234567", 8));
    ASSERT_TRUE(ring.Remove(8)); // read position 8
    ASSERT_TRUE(ring.Write("abcde", 5)); // write position 3
    EXPECT_EQ(ring.Used(), 5u);
    EXPECT_EQ(ring.Free(), 5u);
    EXPECT_EQ(ring.ContiguousRun(), 2u);
    EXPECT_EQ(Take(ring), "abcde");
    EXPECT_EQ(ring.Used(), 0u);
}

TEST(AfCircularBuffer, FullRingRefusesMoreAndDrainsWhole)
{
    TAfCircularBuffer ring(10);
    ASSERT_TRUE(ring.Write("0123", 4));
    ASSERT_TRUE(ring.Remove(4));
    ASSERT_TRUE(ring.Write("abcdefghij", 10)); // exactly the free count, across the end
    EXPECT_EQ(ring.Used(), 10u);
    EXPECT_EQ(ring.Free(), 0u);
    EXPECT_EQ(ring.ContiguousRun(), 6u);
    EXPECT_FALSE(ring.Write("x", 1));
    EXPECT_EQ(Take(ring), "abcdefghij");
    EXPECT_TRUE(ring.Write("x", 1));
}

TEST(AfCircularBuffer, RefusedOperationsChangeNothing)
{
    TAfCircularBuffer ring(4);
    ASSERT_TRUE(ring.Write("ab", 2));
    EXPECT_FALSE(ring.Write("xyz", 3)); // one too many: nothing of it is taken
    EXPECT_FALSE(ring.Write("x", 0));
    EXPECT_FALSE(ring.Remove(3));
    EXPECT_TRUE(ring.Remove(0));
    EXPECT_EQ(Take(ring), "ab");
    ASSERT_TRUE(ring.Write("abcd", 4));
    ring.Clear();
    EXPECT_EQ(ring.Used(), 0u);
    EXPECT_EQ(ring.Free(), 4u);
}
