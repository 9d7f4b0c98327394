// An in-memory transport for the framework tests: bytes written are recorded, bytes
// "from the peer" are fed by the test (from any thread) and wait in an input buffer.
#pragma once

#include "framework/uci_ICommunicationInterfaceDataSpy.h"
#include "tests/support/test_input_queue.h"

#include <atomic>
#include <mutex>
#include <string>

class TTestTransport : public TCommunicationInterfaceDataSpy {
public:
    std::string ClassName() const override { return "TTestTransport"; }

    bool IsOpen() override { return FOpen.load(); }
    std::string GetConfiguration() override
    {
        std::lock_guard lock(FLock);
        return FConfiguration;
    }
    void GetDeviceName(std::string& text) override { text = "TEST"; }
    int32_t InBuffUsed() override { return FInput.Size(); }
    void PurgeInput() override { FInput.Clear(); }
    void PurgeOutput() override { ++PurgeOutputCount; }

    // Bytes arriving from the peer.
    void Feed(const std::string& bytes) { FInput.Append(bytes); }
    std::string Written()
    {
        std::lock_guard lock(FLock);
        return FWritten;
    }
    void SetByteTimeForTest(double byteTime) { SetByteTime(byteTime); }
    using TCommunicationInterface::DoChangeSignal;
    using TCommunicationInterface::DoDataRcv;

    std::atomic<bool> RefuseOpen{false};
    std::atomic<bool> RefuseClose{false};
    std::atomic<int> InternalCloseCount{0};
    std::atomic<int> PurgeOutputCount{0};

protected:
    bool InternalOpen() override
    {
        if (!RefuseOpen) FOpen = true;
        return FOpen;
    }
    bool InternalClose(bool) override
    {
        ++InternalCloseCount;
        if (RefuseClose) return false;
        FOpen = false;
        return true;
    }
    int32_t InternalWrite(const std::string& bytes) override
    {
        std::lock_guard lock(FLock);
        FWritten += bytes;
        return int32_t(bytes.size());
    }
    void InternalRead(std::string& bytes) override { bytes = FInput.Take(); }
    TCiWaitResult InternalWaitForData(uint32_t timeoutMs) override
    {
        if (FInput.WaitNonEmpty(timeoutMs)) return TCiWaitResult::Data;
        return IsOpen() ? TCiWaitResult::TimedOut : TCiWaitResult::Closed;
    }
    // Accepts every text except one holding "reject".
    bool ApplyConfiguration(const std::string& text) override
    {
        if (text.find("reject") != std::string::npos) return false;
        std::lock_guard lock(FLock);
        FConfiguration = text;
        return true;
    }

private:
    std::atomic<bool> FOpen{false};
    std::mutex FLock;
    TTestInputQueue FInput;
    std::string FWritten;
    std::string FConfiguration;
};
