// Who is behind a serial port: the converter's maker, model and serial number, as the
// system's by-id directory names them.
//
// udev links every USB serial converter under /dev/serial/by-id with a name such as
// "usb-FTDI_FT232R_USB_UART_A5XK3RJT-if00-port0" (bus, then maker_model_serial with
// spaces turned into underscores, then the interface and port). With three converters
// plugged in, that name is what tells them apart. VALDRIX_SERIAL_BY_ID_DIR names another
// directory to look in (tests use a directory of their own links).
#pragma once

#include <string>

// "FTDI FT232R USB UART A5XK3RJT" for the link name above: the bus prefix and the
// interface/port suffix dropped, underscores shown as spaces.
std::string SerialByIdIdentity(const std::string& linkName);

// The identity of port n: that of the by-id link which leads to the same device as the
// port's path; "" when no link does (or n has no path).
std::string ComPortIdentity(int n);
