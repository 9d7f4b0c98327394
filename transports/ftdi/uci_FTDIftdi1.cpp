#include "transports/ftdi/uci_FTDIftdi1.h"

#include <dlfcn.h>

namespace {

template <class F>
void BindFtdi1(void* library, const char* name, F& slot, std::string& missing)
{
    slot = reinterpret_cast<F>(::dlsym(library, name));
    if (!slot) missing += std::string(name) + '\r';
}

} // namespace

TFtdi1Functions& Ftdi1Functions()
{
    static TFtdi1Functions functions;
    return functions;
}

void TFTDIBinding::LoadFtdi1(const std::string& path)
{
    // Why the vendor library did not load stays part of the reason.
    const std::string earlier = FLoadError.empty() ? std::string() : FLoadError + "; ";
    Release();
    FPath = path;
    FHandle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!FHandle) {
        const char* reason = ::dlerror();
        FLoadError = earlier + (reason ? reason : "unknown reason");
        return;
    }
    FFtdi1 = true;
    TFtdi1Functions& f = Ftdi1Functions();
    BindFtdi1(FHandle, "ftdi_new", f.ftdi_new, FMissing);
    BindFtdi1(FHandle, "ftdi_free", f.ftdi_free, FMissing);
    BindFtdi1(FHandle, "ftdi_usb_find_all", f.ftdi_usb_find_all, FMissing);
    BindFtdi1(FHandle, "ftdi_list_free", f.ftdi_list_free, FMissing);
    BindFtdi1(FHandle, "ftdi_usb_get_strings", f.ftdi_usb_get_strings, FMissing);
    BindFtdi1(FHandle, "ftdi_usb_open_dev", f.ftdi_usb_open_dev, FMissing);
    BindFtdi1(FHandle, "ftdi_usb_close", f.ftdi_usb_close, FMissing);
    BindFtdi1(FHandle, "ftdi_usb_reset", f.ftdi_usb_reset, FMissing);
    BindFtdi1(FHandle, "ftdi_set_baudrate", f.ftdi_set_baudrate, FMissing);
    BindFtdi1(FHandle, "ftdi_set_line_property", f.ftdi_set_line_property, FMissing);
    BindFtdi1(FHandle, "ftdi_setdtr", f.ftdi_setdtr, FMissing);
    BindFtdi1(FHandle, "ftdi_setrts", f.ftdi_setrts, FMissing);
    BindFtdi1(FHandle, "ftdi_write_data", f.ftdi_write_data, FMissing);
    BindFtdi1(FHandle, "ftdi_read_data", f.ftdi_read_data, FMissing);
    BindFtdi1(FHandle, "ftdi_tciflush", f.ftdi_tciflush, FMissing);
    BindFtdi1(FHandle, "ftdi_tcoflush", f.ftdi_tcoflush, FMissing);
    BindFtdi1(FHandle, "ftdi_get_latency_timer", f.ftdi_get_latency_timer, FMissing);
    // A libftdi1 without one of these could not make the calls built on it.
    if (FMissing.empty()) FFunctions = Ftdi1D2xxFunctions();
}

void TFTDIBinding::ReleaseFtdi1()
{
    Ftdi1ForgetDeviceList();
    Ftdi1Functions() = {};
}

uint32_t TFTDIBinding::LatencyMs(FT_HANDLE handle) const
{
    return FFtdi1 && handle ? Ftdi1LatencyMs(handle) : 0;
}
