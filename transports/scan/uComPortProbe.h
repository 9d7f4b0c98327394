// Probing serial ports by COM number, and how a port is named in the port list.
//
// A probe opens the port's device the way the serial core does (read/write, no
// controlling terminal, non-blocking), tries the non-blocking advisory lock the core
// holds while a port is in use, and closes it again at once.
#pragma once

#include <cstdint>
#include <string>

// Port states as the scanner reports them.
enum : uint8_t {
    cpsNotProbed = 0, // not yet probed in this scan
    cpsPresent = 1,   // present, could be opened (and was closed again)
    cpsBusy = 2,      // present, but in use or access denied
    cpsAbsent = 3,    // no such port, or a device node without hardware behind it
    cpsProbing = 4,   // being probed now
};

// Probes port n: cpsPresent, cpsBusy or cpsAbsent.
uint8_t ProbePort(int n);

// The device the port list shows beside the number: "ttyUSB0" for /dev/ttyUSB0, and for
// an entry of VALDRIX_COM_DIR what its link points to ("pts/3"); "" when n has no path.
std::string ComPortDeviceName(int n);

// True when the port's device exists but this user may not open it for reading and
// writing (the usual fix is membership of the group owning the device, e.g. dialout).
bool ComPortAccessDenied(int n);
