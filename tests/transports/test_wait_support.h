// Checks that a transport's wait for received bytes is ended by the transport itself:
// something happens on another thread while the test thread waits.
#pragma once

#include "framework/uTimeoutManager.h"
#include "framework/uci_ICommunicationInterfaceIntf.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

// Runs `happen` on another thread a moment after the wait has begun; the wait, given far
// more time, must end with `expected` before that time is up.
inline void ExpectWaitEndedBy(ICommunicationInterface& intf, TCiWaitResult expected,
                              const std::function<void()>& happen)
{
    constexpr uint32_t WaitMs = 2000;
    std::thread other([&] {
        Sleep(50);
        happen();
    });
    const uint32_t start = GetTickCount();
    EXPECT_EQ(intf.WaitForData(WaitMs), expected);
    EXPECT_LT(GetTickCount() - start, WaitMs);
    other.join();
}
