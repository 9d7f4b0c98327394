// The converter calls over Debian's libftdi1, for machines without the vendor library.
//
// libftdi1 is loaded at run time like the vendor library (the programs do not link it),
// and its functions are offered to the transport as the vendor library's calls
// (TD2xxFunctions), so the transport and the device list work unchanged. Two things
// libftdi1 lacks are made up here: it has no queue-status call, so bytes taken from the
// converter with ftdi_read_data are kept in a buffer per open converter, which answers
// FT_GetQueueStatus and FT_Read; and it has no event notification, so FT_SetEventNotification
// stays unbound and the reader polls every latency interval of the converter instead
// (TFTDIBinding::LatencyMs). Converters are found among the FTDI ones libftdi1 lists and
// opened by their USB serial number.
#pragma once

#include "transports/ftdi/uci_FTDIcore.h"

#include <ftdi.h>
#include <string>

// The libftdi1 functions used, in the order they are looked up, typed as its header
// declares them (the header is only read, the library never linked).
struct TFtdi1Functions {
    decltype(&::ftdi_new) ftdi_new = nullptr;
    decltype(&::ftdi_free) ftdi_free = nullptr;
    decltype(&::ftdi_usb_find_all) ftdi_usb_find_all = nullptr;
    decltype(&::ftdi_list_free) ftdi_list_free = nullptr;
    decltype(&::ftdi_usb_get_strings) ftdi_usb_get_strings = nullptr;
    decltype(&::ftdi_usb_open_dev) ftdi_usb_open_dev = nullptr;
    decltype(&::ftdi_usb_close) ftdi_usb_close = nullptr;
    decltype(&::ftdi_usb_reset) ftdi_usb_reset = nullptr;
    decltype(&::ftdi_set_baudrate) ftdi_set_baudrate = nullptr;
    decltype(&::ftdi_set_line_property) ftdi_set_line_property = nullptr;
    decltype(&::ftdi_setdtr) ftdi_setdtr = nullptr;
    decltype(&::ftdi_setrts) ftdi_setrts = nullptr;
    decltype(&::ftdi_write_data) ftdi_write_data = nullptr;
    decltype(&::ftdi_read_data) ftdi_read_data = nullptr;
    decltype(&::ftdi_tciflush) ftdi_tciflush = nullptr;
    decltype(&::ftdi_tcoflush) ftdi_tcoflush = nullptr;
    decltype(&::ftdi_get_latency_timer) ftdi_get_latency_timer = nullptr;
};

// The process's libftdi1 functions; written only while the binding loads or releases it.
TFtdi1Functions& Ftdi1Functions();

// The converter calls over Ftdi1Functions(); the calls libftdi1 cannot make are left
// unbound.
TD2xxFunctions Ftdi1D2xxFunctions();

// The latency timer of the converter open as handle, in milliseconds (at least 1).
uint32_t Ftdi1LatencyMs(FT_HANDLE handle);

// Forgets the devices listed by the last FT_CreateDeviceInfoList.
void Ftdi1ForgetDeviceList();
