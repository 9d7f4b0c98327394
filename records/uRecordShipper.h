// Sending a station's runs to the shared store. A run is always committed to the
// station's own store first; it is marked sent there only once the shared store has it,
// so a run is never lost while the shared store is away, and a run sent twice (the
// program stopped between the two steps) is stored once: the shared store knows its id.
//
// Nobody waits for the shared store. A server can stop answering while it keeps its
// connections open (a frozen process): no time-out of the client library notices that,
// and a call on such a connection blocks its thread until the server answers. So the
// sending runs on a thread of its own, which its owner leaves behind when it does not
// want to wait any longer: the thread ends after its batch, or with the process, which
// then ends without the exit handlers of the libraries that thread may be inside
// (EndBesideWaitingSenders).
#pragma once

#include "records/uRecordStore.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// Sends every waiting run, oldest first, one batch after another while `goOn` (given the
// number sent so far) says so; the number sent, and `error` when the shared store failed
// on the way (the rest waits for the next time).
int SendWaitingRuns(TRecordStore& local, TRecordStore& shared, std::string& error,
                    const std::function<bool(int sent)>& goOn = {});

// For the end of a program's main: `status`, or, while a sending thread has not finished
// (a server keeps it waiting), the program ends here at once with `status`, its output
// flushed, so that no library is torn down under that thread.
int EndBesideWaitingSenders(int status);

struct TShippingState;

// One sending of the waiting runs in the background, from its own connections to both
// stores. Destroying it never waits: the thread is told to stop after its batch.
class TShipment {
public:
    TShipment(const TRecordsLocation& local, const TRecordsLocation& shared);
    TShipment(const TShipment&) = delete;
    TShipment& operator=(const TShipment&) = delete;
    ~TShipment();

    // Waits until the sending ended, `deadline` passed or `stop()` turned true (asked
    // every 50 ms); true when it ended.
    bool WaitUntil(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& stop = {});
    int Sent() const;
    // Why the sending failed; empty when it succeeded or goes on.
    std::string Error() const;

private:
    std::shared_ptr<TShippingState> FState;
};

// Sending in the background for as long as a station runs, on a thread of its own with
// its own connections: at its start, whenever woken (a run was committed), and every
// `retry` while runs wait.
class TRecordShipper {
public:
    TRecordShipper(TRecordsLocation local, TRecordsLocation shared, std::chrono::milliseconds retry);
    TRecordShipper(const TRecordShipper&) = delete;
    TRecordShipper& operator=(const TRecordShipper&) = delete;
    // Tells the thread to end and returns at once (the thread finishes the batch it is
    // sending, or ends with the process when the server never answers).
    ~TRecordShipper();

    void Wake();
    // Runs waiting to be sent, as last counted in the station's store (-1 before the
    // first count).
    int Waiting() const;
    // Why runs wait: the last attempt's failure, or a server that has not answered for
    // a while; empty when the last attempt succeeded.
    std::string Problem() const;

    // A sending that has waited this long for the server is reported by Problem().
    static constexpr std::chrono::seconds SilentServer{2};

private:
    std::shared_ptr<TShippingState> FState;
};
