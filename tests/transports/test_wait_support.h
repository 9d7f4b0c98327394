// Checks that a transport's wait for received bytes is ended by the transport itself:
// something happens on another thread while the test thread waits.
#pragma once

#include "framework/uTimeoutManager.h"
#include "framework/uci_ICommunicationInterfaceIntf.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
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

inline const std::string TransactionRequest = "REQ";

// A transaction with far more time runs on another thread; once `requestArrived` says its
// request reached the far end, this thread closes the interface: the close does not wait
// for the transaction's time, and the transaction ends with it.
inline void ExpectTransactionEndedByClose(ICommunicationInterface& intf, const std::function<bool()>& requestArrived)
{
    constexpr uint32_t WaitMs = 5000;
    std::string answer = "none yet";
    uint32_t took = 0;
    std::thread transaction([&] {
        const uint32_t start = GetTickCount();
        intf.Transaction(TransactionRequest, WaitMs, WaitMs, WaitMs, false, false, nullptr, "", answer);
        took = GetTickCount() - start;
    });
    const bool arrived = requestArrived();
    const uint32_t start = GetTickCount();
    intf.Close(false);
    const uint32_t closing = GetTickCount() - start;
    transaction.join();
    EXPECT_TRUE(arrived);
    EXPECT_FALSE(intf.IsOpen());
    EXPECT_EQ(answer, "");
    EXPECT_LT(took, WaitMs);
    EXPECT_LT(closing, WaitMs / 2);
}
