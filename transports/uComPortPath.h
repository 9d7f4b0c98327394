// COM port numbers on Linux.
//
// Port n resolves, in this order, to: the entry "COM<n>" (a symlink or device node) in
// the directory named by VALDRIX_COM_DIR, when that variable is set and the entry exists
// (a dangling link counts as existing, so it is reported absent instead of silently
// falling through); otherwise the fixed table COM1-32 = /dev/ttyS0-31,
// COM33-64 = /dev/ttyUSB0-31, COM65-96 = /dev/ttyACM0-31.
#pragma once

#include <string>

// The device path of port n, or "" when n has no path (n < 1, or beyond the table).
std::string ComPortDevicePath(int n);

// Why port n did not open, for the user: the device path and the system's reason for
// `error` (an errno value; 0 when the device opened and a later step failed, which
// `detail` then tells), with a hint where one helps (the dialout group for a port the user
// may not open, the list of serial devices for a missing one).
std::string ComPortOpenFailureText(int n, int error, const std::string& detail);
