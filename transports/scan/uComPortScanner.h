// Background scan of the serial ports COM1..COM255.
//
// Eight worker threads take port numbers from shared state and probe them in parallel;
// every state change (4 = probing, then 1, 2 or 3) is queued to the thread that created
// the scanner (the user-interface thread) and handed there, in order, to OnPortState.
// Each StartScan begins a new generation: results of older generations are dropped, both
// in the workers and when a queued report of an older scan reaches the main thread.
// The scan stops by itself once every port of the generation has been reported. An
// exception from OnPortState goes to the transports' error receiver (uTransportErrors.h)
// and does not stop the scan.
#pragma once

#include "framework/uMethod.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class QEvent;
class QObject;

using TComPortStateEvent = TMethod<void(int port, uint8_t state)>;

// State shared by the workers; every field is guarded by Lock, and OnPortState is
// called with Lock held.
struct TComPortThreadSharedData {
    static constexpr int LastPort = 255;

    std::mutex Lock;
    std::array<uint8_t, LastPort + 1> States {}; // index 1..255
    int32_t NextPort = 1;                          // 256 = all handed out
    int32_t ProbedCount = 0;
    int32_t Generation = 0;
    TComPortStateEvent OnPortState;
    // Signalled on every change a waiting worker or controller may wait for.
    std::condition_variable Changed;

    // Starts a new generation: every port unprobed again, nothing reported. Lock held.
    void Reset();
    // Takes the next port and marks it probing; 0 when all are handed out. Lock held.
    int TakePort();
    // Records a finished probe unless the generation has moved on. Lock held.
    void Finish(int port, uint8_t state, int32_t generation);
};

// Parking handshake of one worker, guarded by the shared Lock. The controller sets
// Request and waits for Parked; only then is the worker Suspended, so a worker never
// stops inside a probe or while it holds the lock.
struct TThreadSuspender {
    bool Parked = false;
    bool Request = false;
    bool Suspended = true;
    bool Terminated = false;
};

class TScanThread {
public:
    explicit TScanThread(TComPortThreadSharedData& shared);
    ~TScanThread(); // terminates and joins the worker

    // Controller side; the caller holds shared.Lock.
    TThreadSuspender& Suspender() { return FSuspender; }

private:
    void Execute();
    bool MustPark() const { return FSuspender.Request || FSuspender.Suspended; }

    TComPortThreadSharedData& FShared;
    TThreadSuspender FSuspender;
    std::thread FThread;
};

class TComPortScanner {
public:
    static constexpr int ThreadCount = 8;

    TComPortScanner();
    ~TComPortScanner();
    TComPortScanner(const TComPortScanner&) = delete;
    TComPortScanner& operator=(const TComPortScanner&) = delete;

    // Starts a new scan from COM1, also while one runs.
    void StartScan();
    // Parks and suspends every worker.
    void StopScan();
    // True between StartScan and the end of the scan (or StopScan).
    bool Scanning();

    TComPortStateEvent OnPortState;

private:
    class TWindow;
    class TReport;

    void PostPortState(int port, uint8_t state);
    void HandlePortState(const QEvent& report);

    std::unique_ptr<QObject> FWindow;
    TComPortThreadSharedData FShared;
    std::array<std::unique_ptr<TScanThread>, ThreadCount> FThreads;
};
