// An in-memory communication interface for the stack tests: what the stack writes is
// recorded and may be answered at once by a scripted peer; bytes can be delivered with
// a data-received event (as a transport does) or only queued (seen by polling).
#pragma once

#include "framework/uci_ICommunicationInterface.h"
#include "protocol/uTarvel97.h"
#include "protocol/uTarvelStackDevice.h"
#include "tests/support/test_input_queue.h"

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

class TMemoryLink : public TCommunicationInterface {
public:
    // Returns the bytes the peer sends back for one request packet, or nothing.
    using TPeer = std::function<std::optional<std::string>(const TTarvelFormat97& request)>;

    std::string ClassName() const override { return "TMemoryLink"; }
    bool IsOpen() override { return FOpen; }
    void GetDeviceName(std::string& text) override { text = "MEM"; }
    int32_t InBuffUsed() override { return FInput.Size(); }
    void PurgeInput() override { FInput.Clear(); }
    void PurgeOutput() override {}

    void SetPeer(TPeer peer)
    {
        std::lock_guard lock(FMutex);
        FPeer = std::move(peer);
    }
    // Queues bytes without an event.
    void Queue(const std::string& bytes) { FInput.Append(bytes); }
    // Queues bytes and raises the data-received event.
    void Deliver(const std::string& bytes)
    {
        Queue(bytes);
        DoDataRcv();
    }
    // The far end goes away: the link is down from now on (no close notification).
    void HangUp() { FOpen = false; }
    // Writes report that nothing was sent.
    std::atomic<bool> RefuseWrites{false};
    // The most bytes one read hands out (a socket gives at most 64 KiB at a time).
    std::atomic<size_t> ReadLimit{std::string::npos};

    std::vector<TTarvelFormat97> Requests()
    {
        std::lock_guard lock(FMutex);
        return FRequests;
    }
    std::string Sent()
    {
        std::lock_guard lock(FMutex);
        return FSent;
    }

protected:
    bool InternalOpen() override { return FOpen = true; }
    bool InternalClose(bool) override
    {
        FOpen = false;
        return true;
    }
    int32_t InternalWrite(const std::string& bytes) override
    {
        std::lock_guard lock(FMutex);
        FSent += bytes;
        TTarvelFormat97 request;
        if (ValidateTarvel97Packet(bytes) == 0) {
            ParseTarvel97Packet(bytes, request);
            FRequests.push_back(request);
            if (FPeer)
                if (const auto answer = FPeer(request)) FInput.Append(*answer);
        }
        return RefuseWrites ? 0 : int32_t(bytes.size());
    }
    void InternalRead(std::string& bytes) override { bytes = FInput.Take(ReadLimit); }
    TCiWaitResult InternalWaitForData(uint32_t timeoutMs) override
    {
        if (FInput.WaitNonEmpty(timeoutMs)) return TCiWaitResult::Data;
        return IsOpen() ? TCiWaitResult::TimedOut : TCiWaitResult::Closed;
    }
    bool ApplyConfiguration(const std::string&) override { return true; }

private:
    std::atomic<bool> FOpen{false};
    std::mutex FMutex;
    TTestInputQueue FInput;
    std::string FSent;
    std::vector<TTarvelFormat97> FRequests;
    TPeer FPeer;
};

// A device that records every answer and message the stack hands it.
class TRecordingDevice : public TTarvelStackDevice {
public:
    using TTarvelStackDevice::TTarvelStackDevice;
    void HandleAnswer(const TTarvelFormat97& p) override
    {
        Answers.push_back(p);
        TTarvelStackDevice::HandleAnswer(p);
    }
    void HandleMessage(const TTarvelFormat97& p) override { Messages.push_back(p); }
    std::vector<TTarvelFormat97> Answers;
    std::vector<TTarvelFormat97> Messages;
};

// The answer a module gives: same ADR and SIG, acknowledge code, data.
inline std::string AnswerTo(const TTarvelFormat97& request, uint8_t ack, const std::string& data)
{
    return BuildTarvel97Packet(request.Adr, request.Sig, ack, data);
}
