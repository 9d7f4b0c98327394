// The two worker threads of an open serial port core.
#pragma once

#include "transports/serial/AfComPortCore.h"

#include <thread>

class TAfComPortCoreThread {
public:
    TAfComPortCoreThread(TAfComPortCore& core, TThreadPriority priority);
    virtual ~TAfComPortCoreThread();

    // Starts the thread and waits up to timeoutMs for it to report that it runs.
    bool Start(int timeoutMs);
    // Ends the thread's waits and joins it.
    void Stop();

protected:
    virtual void Execute() = 0;
    bool Terminated() const { return FTerminated; }

    TAfComPortCore& FCore;
    const int FHandle; // the core's descriptor, copied at creation
    TPollEvent FStopEvent;

private:
    void Run();

    TThreadPriority FPriority;
    std::atomic<bool> FTerminated{false};
    std::thread FThread;
};

class TAfComPortEventThread : public TAfComPortCoreThread {
public:
    TAfComPortEventThread(TAfComPortCore& core, TThreadPriority priority);

protected:
    void Execute() override;

private:
    void Notify(TAfCoreEvent kind, uint32_t param);
    uint32_t LineChanges();

    TAfCoreEventHandler FOnEvent;
    bool FHasCounters = false;
    bool FHasModemStatus = false;
    TSerialLineCounters FCounters;
    uint32_t FModemStatus = 0;
};

class TAfComPortWriteThread : public TAfComPortCoreThread {
public:
    using TAfComPortCoreThread::TAfComPortCoreThread;

protected:
    void Execute() override;

private:
    void Pump();
    void Purge();
};
