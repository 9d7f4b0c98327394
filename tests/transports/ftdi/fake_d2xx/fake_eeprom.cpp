// The converter's configuration memory. Left out of the "partial" build of this library,
// which stands for an older library without these calls.
#include "tests/transports/ftdi/fake_d2xx/fake_d2xx.h"

extern "C" {

// Erasing clears the texts the converter reports.
FT_STATUS FT_EraseEE(FT_HANDLE handle)
{
    return WithOpenConverter(handle, [](TFakeConverter& c) {
        c.SerialNumber.clear();
        c.Description.clear();
        return FT_OK;
    });
}

// The memory's record layout is the library's own and unused by the system.
FT_STATUS FT_EE_Read(FT_HANDLE, void*)
{
    return FakeNotSupported;
}

FT_STATUS FT_EE_Program(FT_HANDLE, void*)
{
    return FakeNotSupported;
}

} // extern "C"

FAKE_D2XX_MATCHES_BINDING(FT_EraseEE);
FAKE_D2XX_MATCHES_BINDING(FT_EE_Read);
FAKE_D2XX_MATCHES_BINDING(FT_EE_Program);
