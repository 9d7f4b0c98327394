// Lets framework and transport code that waits on the main thread keep the user
// interface alive without the framework depending on a GUI toolkit.
//
// The application (or the transports layer, see RegisterTransports) installs a function
// that processes the pending events of the main thread's event loop, in a Qt program
// QCoreApplication::processEvents. Without a hook ProcessPendingEvents does nothing.
#pragma once

using TProcessEventsHook = void (*)();

void SetProcessEventsHook(TProcessEventsHook hook);
// Runs the installed hook once; call it only on the main thread.
void ProcessPendingEvents();
