// Installs a transport error receiver for one test and records what reaches it, and on
// which thread.
#pragma once

#include "transports/uTransportErrors.h"

#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TErrorReceiverRecord {
public:
    TErrorReceiverRecord()
    {
        SetTransportErrorReceiver([this](const std::string& message) {
            std::lock_guard lock(FLock);
            FMessages.push_back(message);
            FOffMain = FOffMain || std::this_thread::get_id() != FMain;
        });
    }
    ~TErrorReceiverRecord() { SetTransportErrorReceiver(nullptr); }

    std::vector<std::string> Messages()
    {
        std::lock_guard lock(FLock);
        return FMessages;
    }
    bool OffMain()
    {
        std::lock_guard lock(FLock);
        return FOffMain;
    }

private:
    const std::thread::id FMain = std::this_thread::get_id();
    std::mutex FLock;
    std::vector<std::string> FMessages;
    bool FOffMain = false;
};
