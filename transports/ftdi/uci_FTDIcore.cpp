#include "transports/ftdi/uci_FTDIcore.h"

#include "framework/uci_ConnectionString.h"

#include <algorithm>
#include <cstdlib>
#include <dlfcn.h>

template <class F>
void TFTDIBinding::Bind(const char* name, F& slot)
{
    slot = reinterpret_cast<F>(::dlsym(FHandle, name));
    if (!slot) FMissing += std::string(name) + '\r';
}

void TFTDIBinding::Load(const std::string& path)
{
    Release();
    FPath = path;
    FHandle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!FHandle) {
        const char* reason = ::dlerror();
        FLoadError = reason ? reason : "unknown reason";
        return;
    }
    TD2xxFunctions& f = FFunctions;
    Bind("FT_Write", f.FT_Write);
    Bind("FT_Open", f.FT_Open);
    Bind("FT_Close", f.FT_Close);
    Bind("FT_Read", f.FT_Read);
    Bind("FT_SetBaudRate", f.FT_SetBaudRate);
    Bind("FT_SetDataCharacteristics", f.FT_SetDataCharacteristics);
    Bind("FT_SetFlowControl", f.FT_SetFlowControl);
    Bind("FT_ResetDevice", f.FT_ResetDevice);
    Bind("FT_SetDtr", f.FT_SetDtr);
    Bind("FT_ClrDtr", f.FT_ClrDtr);
    Bind("FT_SetRts", f.FT_SetRts);
    Bind("FT_ClrRts", f.FT_ClrRts);
    Bind("FT_GetModemStatus", f.FT_GetModemStatus);
    Bind("FT_SetChars", f.FT_SetChars);
    Bind("FT_Purge", f.FT_Purge);
    Bind("FT_SetTimeouts", f.FT_SetTimeouts);
    Bind("FT_GetQueueStatus", f.FT_GetQueueStatus);
    Bind("FT_ListDevices", f.FT_ListDevices);
    Bind("FT_OpenEx", f.FT_OpenEx);
    Bind("FT_GetDeviceInfoList", f.FT_GetDeviceInfoList);
    Bind("FT_CreateDeviceInfoList", f.FT_CreateDeviceInfoList);
    Bind("FT_GetDeviceInfoDetail", f.FT_GetDeviceInfoDetail);
    Bind("FT_SetEventNotification", f.FT_SetEventNotification);
    Bind("FT_EraseEE", f.FT_EraseEE);
    Bind("FT_EE_Read", f.FT_EE_Read);
    Bind("FT_EE_Program", f.FT_EE_Program);
}

void TFTDIBinding::Release()
{
    if (FFtdi1) ReleaseFtdi1();
    FFtdi1 = false;
    FFunctions = {};
    FMissing.clear();
    FLoadError.clear();
    if (FHandle) ::dlclose(FHandle);
    FHandle = nullptr;
}

TFTDIBinding& FTDILibrary()
{
    static TFTDIBinding binding;
    return binding;
}

void BindFTDILibrary()
{
    TFTDIBinding& library = FTDILibrary();
    const char* named = std::getenv("VALDRIX_D2XX_LIBRARY");
    const std::string path = named ? named : "";
    if (!path.empty() && !SameText(path, "none")) {
        library.Load(path);
        if (!library.Loaded())
            library.SetLoadError(library.LoadError() + " (the file VALDRIX_D2XX_LIBRARY names; libftdi1 is not tried)");
        return;
    }
    if (path.empty()) {
        library.Load("libftd2xx.so");
        if (library.Loaded() && library.FullyBound()) return;
        if (library.Loaded()) {
            std::string missing = library.MissingFunctions();
            std::replace(missing.begin(), missing.end(), '\r', ' ');
            library.SetLoadError("libftd2xx.so lacks " + missing.substr(0, missing.size() - 1));
        }
    }
    const char* ftdi1 = std::getenv("VALDRIX_LIBFTDI1_LIBRARY");
    library.LoadFtdi1(ftdi1 && *ftdi1 ? ftdi1 : "libftdi1.so.2");
}

void ReleaseFTDILibrary()
{
    FTDILibrary().Release();
}

std::string FTDIOpenFailureText(const std::string& serialNumber, FT_STATUS status)
{
    const TFTDIBinding& library = FTDILibrary();
    const std::string kernelPort = "; a converter handled by the kernel's ftdi_sio driver works as a serial port "
                                   "instead: /dev/ttyUSB0 is provider=SERIAL_PORT;comport=33";
    if (serialNumber.empty()) return "no converter serial number given (serial_number=...)";
    if (!library.Loaded())
        return "no converter library could be loaded (" + library.LoadError() + ")" + kernelPort;
    const std::string converter = "converter " + serialNumber + ": ";
    switch (status) {
    case FT_NOT_BOUND: return converter + "the converter library " + library.Path() + " lacks FT_OpenEx" + kernelPort;
    case 2: return converter + "not found (FT_DEVICE_NOT_FOUND); is it plugged in, and is the serial number right?";
    case 3:
        return converter + "cannot be opened (FT_DEVICE_NOT_OPENED): another program or the kernel's ftdi_sio driver " +
               "holds it" + kernelPort;
    default: return converter + "the converter library refused to open it (status " + std::to_string(status) + ")";
    }
}
