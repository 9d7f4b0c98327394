// The device a tester plays on its RS-485 test link, as an answerer for a session: it
// answers type requests (instruction F3) for any address but the module's own with the
// text TesterRS485Text, and drops every other packet. The RS-485 test (and a test plan's
// rs485 step) sends such a request through the module's RS-485 port and expects it back.
#pragma once

#include "session/uValdrixSession.h"

inline constexpr const char* TesterRS485Text = "Valdrix Tester Info";

TRS485Answerer TesterRS485Answerer();
