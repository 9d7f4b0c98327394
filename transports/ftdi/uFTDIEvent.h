// The event object handed to the converter library with FT_SetEventNotification.
//
// On Linux the library's event argument points to a TD2xxEvent: a condition variable and
// its mutex, plus a flag. The library signals it by locking Mutex, setting Signalled to 1,
// signalling Cond and unlocking Mutex. A library that only signals Cond (without the flag)
// still works: a waiter wakes on every signal of Cond, and at the latest after its own
// time-out. Cond is created with CLOCK_MONOTONIC, so timed waits ignore clock changes.
#pragma once

#include <pthread.h>

struct TD2xxEvent {
    pthread_cond_t Cond;
    pthread_mutex_t Mutex;
    int Signalled;
};

// Sets the event from the library's side (what the library does on an event).
inline void SignalD2xxEvent(TD2xxEvent& event)
{
    pthread_mutex_lock(&event.Mutex);
    event.Signalled = 1;
    pthread_cond_signal(&event.Cond);
    pthread_mutex_unlock(&event.Mutex);
}
