#include "tests/transports/test_af_pty.h"
#include "tests/transports/test_error_receiver.h"
#include "transports/serial/AfSafeSync.h"

#include <gtest/gtest.h>

#include <future>
#include <set>
#include <vector>

TEST(AfSafeSync, SixtyFourSlotsWithDistinctIdentifiers)
{
    std::vector<uint32_t> ids;
    uint32_t id;
    while ((id = AfSafeSyncRegister([](const std::any&) {})) != 0) ids.push_back(id);
    EXPECT_EQ(ids.size(), 64u); // no other test keeps a slot
    EXPECT_EQ(std::set<uint32_t>(ids.begin(), ids.end()).size(), ids.size());
    AfSafeSyncUnregister(ids[10]);
    const uint32_t reused = AfSafeSyncRegister([](const std::any&) {});
    EXPECT_NE(reused, 0u);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), reused), 0);
    ids[10] = reused;
    for (uint32_t i : ids) AfSafeSyncUnregister(i);
}

TEST(AfSafeSync, CallsRunOnTheMainThreadOnlyWhileEnabled)
{
    const auto mainThread = std::this_thread::get_id();
    std::atomic<int> calls{0};
    std::atomic<bool> onMain{true};
    const uint32_t id = AfSafeSyncRegister([&](const std::any& arg) {
        onMain = onMain && std::this_thread::get_id() == mainThread;
        calls += std::any_cast<int>(arg);
    });
    EXPECT_FALSE(AfSafeSyncCall(id, 1000, 1)); // registered disabled
    AfSafeSyncEnable(id, true);
    EXPECT_TRUE(AfSafeSyncCall(id, 1000, 1)); // same thread: runs at once
    EXPECT_EQ(calls, 1);

    auto result = std::async(std::launch::async, [&] { return AfSafeSyncCall(id, 10000, 10); });
    EXPECT_TRUE(PumpUntil([&] { return calls == 11; }));
    EXPECT_TRUE(result.get());
    EXPECT_TRUE(onMain);
    AfSafeSyncUnregister(id);
    EXPECT_FALSE(AfSafeSyncCall(id, 1000, 1));
}

TEST(AfSafeSync, BlockedCallerReturnsWhenTheSlotIsDisabledOrTheTimeOutPasses)
{
    std::atomic<int> calls{0};
    const uint32_t id = AfSafeSyncRegister([&](const std::any&) { ++calls; });
    AfSafeSyncEnable(id, true);
    // The main thread does not process events while the caller waits.
    auto blocked = std::async(std::launch::async, [&] { return AfSafeSyncCall(id, 600000, 0); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    AfSafeSyncEnable(id, false);
    EXPECT_FALSE(blocked.get());

    AfSafeSyncEnable(id, true);
    auto timed = std::async(std::launch::async, [&] { return AfSafeSyncCall(id, 50, 0); });
    EXPECT_TRUE(timed.get()); // timed out, but the slot is still there
    EXPECT_EQ(calls, 0);
    // Both queued calls run once events are processed, the slot being enabled again.
    EXPECT_TRUE(PumpUntil([&] { return calls == 2; }));

    auto dropped = std::async(std::launch::async, [&] { return AfSafeSyncCall(id, 50, 0); });
    EXPECT_TRUE(dropped.get());
    AfSafeSyncUnregister(id);
    QCoreApplication::processEvents(); // the queued call finds its slot gone
    EXPECT_EQ(calls, 2);
}

TEST(AfSafeSync, ExceptionsFromHandlersGoToTheErrorReceiver)
{
    TErrorReceiverRecord errors;
    const uint32_t id = AfSafeSyncRegister([](const std::any&) { throw std::runtime_error("boom"); });
    AfSafeSyncEnable(id, true);
    auto call = std::async(std::launch::async, [&] { return AfSafeSyncCall(id, 10000, 0); });
    EXPECT_TRUE(PumpUntil([&] { return !errors.Messages().empty(); }));
    EXPECT_TRUE(call.get());
    EXPECT_EQ(errors.Messages(), std::vector<std::string>{"boom"});
    EXPECT_FALSE(errors.OffMain());
    AfSafeSyncUnregister(id);
}
