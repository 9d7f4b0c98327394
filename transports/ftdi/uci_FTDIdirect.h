// The USB converter transport (provider "FTD_USB"): a converter driven directly through
// the converter library's run-time binding (transports/ftdi/uci_FTDIcore.h), chosen by its USB
// serial number.
//
// Connection-string keys: "serial_number", then the line keys of the serial-line layer
// (transports/uci_SerialCommunicationInterface.h). GetConfiguration writes
// "provider=FTD_USB;serial_number=N;baudrate=...;databits=...;stopbits=...;parity=...;
// dtr=...;rts=...".
//
// The stored line settings are the truth while closed; they are written to the converter
// at open and, while open, by every setter. Every library call answers a status (0 is
// success); a call that fails with FT_IO_ERROR (the converter is gone) closes the link.
//
// A reader thread (TFTDIDeviceThread) polls the open converter, woken by the library's
// event notification, and announces received bytes with DoDataRcv on that thread. While
// open the thread holds a reference to the transport; when that is the only reference
// left besides the thread's own, the thread closes the converter and the transport is
// destroyed on the reader thread.
#pragma once

#include "transports/ftdi/uFTDIDeviceThread.h"
#include "transports/ftdi/uci_FTDIcore.h"
#include "transports/uci_SerialCommunicationInterface.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// The settings form of the converter transports, showing this baud rate; true when
// accepted. A program with widgets installs it (RegisterTransportDialogs); without it the
// transports have no setup dialog.
using TFTDISetupDialog = bool (*)(int32_t baudRate);
void SetFTDISetupDialog(TFTDISetupDialog dialog);

class IFTDISerialPortInterface : public virtual ISerialCommunicationInterface {
public:
    static constexpr TGUID IID = MakeGUID("{CBFAE6C0-8E72-4D7F-8C51-C36038E6F5F5}");

    virtual std::string GetSerialNumber() = 0;
    // Notifying setter: reopens an open converter under the new number; reports
    // "SetSerialNumber" with the number on failure.
    virtual void SetSerialNumber(const std::string& serialNumber) = 0;
    // Always empty (also the display name of the transport).
    virtual std::string GetDescription() = 0;
    // Always -1.
    virtual int32_t GetDeviceIndex() = 0;
    // Always empty.
    virtual std::string GetDeviceInfo() = 0;
    // The library's handle; null while closed.
    virtual FT_HANDLE GetHandle() = 0;
    virtual bool ResetDevice() = 0;
    // Erases the converter's configuration memory.
    virtual bool EraseEE() = 0;
};

class TFTDIDevice : public TSerialCommunicationInterface, public virtual IFTDISerialPortInterface {
public:
    TFTDIDevice();

    std::string ClassName() const override { return "TFTDIDevice"; }
    bool Close(bool force) override;

    // IFTDISerialPortInterface
    std::string GetSerialNumber() override;
    void SetSerialNumber(const std::string& serialNumber) override;
    std::string GetDescription() override { return std::string(); }
    int32_t GetDeviceIndex() override { return -1; }
    std::string GetDeviceInfo() override { return std::string(); }
    FT_HANDLE GetHandle() override { return FHandle.load(); }
    bool ResetDevice() override;
    bool EraseEE() override;

    // ICommunicationInterface
    bool IsOpen() override;
    void SetLinkEnabled(bool flag) override;
    std::string GetConfiguration() override;
    void GetDeviceName(std::string& text) override;
    void GetDisplayName(std::string& text) override { text = GetDescription(); }
    int32_t InBuffUsed() override;
    void PurgeInput() override;
    void PurgeOutput() override;
    bool ExecuteSetupDialog() override;
    bool HasSetupDialog() override;

    // ISerialCommunicationInterface
    int32_t GetBaudRate() override;
    bool GetRTS() override;
    bool GetDTR() override;
    bool GetCTS() override;
    bool GetDSR() override;
    uint8_t GetStopBits() override;
    uint8_t GetParity() override;
    uint8_t GetDatabits() override;
    // The converter has no settable buffers: these do nothing and the getters answer 0.
    int32_t GetOutBufSize() override { return 0; }
    void SetOutBufSize(int32_t) override {}
    int32_t GetInBufSize() override { return 0; }
    void SetInBufSize(int32_t) override {}

protected:
    ~TFTDIDevice() override;

    bool ImplementsInterface(const TGUID& iid) const override;
    bool ApplyConfiguration(const std::string& text) override;
    bool InternalOpen() override;
    bool InternalClose(bool force) override;
    int32_t InternalWrite(const std::string& bytes) override;
    void InternalRead(std::string& bytes) override;
    // Woken by the library's event notification, through the reader thread's event, even
    // while the reader thread itself waits for this transport's lock.
    TCiWaitResult InternalWaitForData(uint32_t timeoutMs) override;

    bool ApplyBaudRate(int32_t baudRate) override;
    bool ApplyParity(uint8_t parity) override;
    bool ApplyStopBits(uint8_t stopBits) override;
    bool ApplyDatabits(uint8_t databits) override;
    bool ApplyDTR(bool level) override;
    bool ApplyRTS(bool level) override;
    // Raw setter of the serial number: reopens an open converter under the new number.
    virtual bool ApplySerialNumber(const std::string& serialNumber);

private:
    // Calls a library function on the open converter; FT_IO_ERROR closes the link.
    template <class... Params, class... Args>
    FT_STATUS Call(FT_STATUS (*TD2xxFunctions::*function)(Params...), Args&&... args);
    // Closes the link when status is the library's I/O error; while the link is being
    // opened, marks the open as failed instead.
    void CloseOnIOError(FT_STATUS status);
    // Replaces one of the three character settings; sends all three while open.
    bool ApplyCharacterSetting(uint8_t& setting, uint8_t value);
    FT_STATUS SendDataCharacteristics();
    bool ModemStatusBit(uint32_t bit);
    // Called by the reader thread on every round.
    void PollDevice();

    std::atomic<FT_HANDLE> FHandle{nullptr};
    // Set while InternalOpen sets the converter up, and when an I/O error struck then.
    std::atomic<bool> FOpening{false};
    std::atomic<bool> FOpenIOError{false};
    // Set by a close from any thread before it takes the transport's lock: the request
    // waiting under that lock gives up at once instead of at its time-out.
    std::atomic<bool> FWaitsEnded{false};
    std::unique_ptr<TFTDIDeviceThread> FReaderThread;
    // Guarded by the interface's lock.
    std::string FSerialNumber;
    int32_t FBaudRate = 115200;
    uint8_t FDatabits = 8;
    uint8_t FStopBits = ssOne;
    uint8_t FParity = spNone;
    bool FRts = true;
    bool FDtr = true;
};

template <class... Params, class... Args>
FT_STATUS TFTDIDevice::Call(FT_STATUS (*TD2xxFunctions::*function)(Params...), Args&&... args)
{
    const FT_STATUS status = FTDILibrary().Call(function, std::forward<Args>(args)...);
    CloseOnIOError(status);
    return status;
}
