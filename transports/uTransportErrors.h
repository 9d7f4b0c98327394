// Where exceptions go that escape the transports' worker threads and event handlers
// (the serial port's threads and cross-thread calls, the COM port scanner's handler):
// to one process-wide receiver, the application's error display. The receiver runs on
// the thread that first installed one (the main thread), which must run a Qt event loop;
// without a receiver the messages are printed on stderr.
#pragma once

#include <exception>
#include <functional>
#include <string>

using TTransportErrorReceiver = std::function<void(const std::string& message)>;

// Installs the receiver; an empty function restores stderr.
void SetTransportErrorReceiver(TTransportErrorReceiver receiver);

// Hands the exception's message to the receiver: at once on the receiver's thread,
// queued from any other thread (the caller never waits). A message already waiting or
// being shown is not handed over again, so a handler that keeps failing while a modal
// display runs its own event loop does not stack up displays.
void ReportTransportError(std::exception_ptr error);
