// The desktop's local date and time as the tester sees it. Tests replace the clock to
// check what depends on the date.
#pragma once

#include <QDateTime>

#include <functional>

using TAppClock = std::function<QDateTime()>;

// The current local date and time from the installed clock.
QDateTime AppNow();
// Installs a clock (an empty function restores the desktop's) and returns the previous one.
TAppClock SetAppClock(TAppClock clock);
