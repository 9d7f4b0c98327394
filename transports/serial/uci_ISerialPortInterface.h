// The serial port transport (provider "SERIAL_PORT"): the serial-line layer on a local
// COM port driven by the serial port component.
//
// Connection-string keys: "comport" (decimal port number), or, without it, a text that
// begins with "COM" followed by a number ("com7"); then the line keys and "active" of
// TSerialCommunicationInterface. GetConfiguration prints the line settings followed by
// ";comport=N" and no provider key. The display name is "COM3", or "COM unknown" for
// port 0.
//
// Received data and modem-line changes arrive on the main thread (the component carries
// them there) and become the data-received and change-signal notifications. A line that
// disappears while open (device unplugged, the far end of a pseudo-terminal closed)
// closes the transport, which tells its listeners through the close notification.
#pragma once

#include "transports/serial/AfComPort.h"
#include "transports/uci_SerialCommunicationInterface.h"

#include <atomic>
#include <memory>
#include <mutex>

class ISerialPortInterface : public virtual ISerialCommunicationInterface {
public:
    static constexpr TGUID IID = MakeGUID("{4BC4E3AE-72C6-41B2-9652-0C40291AA6FB}");
};

class TSerialPortInterface : public TSerialCommunicationInterface, public virtual ISerialPortInterface {
public:
    // Buffer sizes of the component (bytes), far above its own defaults.
    static constexpr int32_t DefaultBufSize = 10000000;

    // io replaces the system calls on the line (tests); null uses the real ones.
    explicit TSerialPortInterface(std::shared_ptr<TSerialLineIo> io = nullptr);

    std::string ClassName() const override { return "TSerialPortInterface"; }

    bool IsOpen() override;
    // Ends a wait in progress on another thread at once, then closes as every interface
    // does (under the interface's lock, which that wait's request holds until it ends).
    bool Close(bool force) override;
    void SetLinkEnabled(bool flag) override;
    std::string GetConfiguration() override;
    void GetDeviceName(std::string& text) override;
    int32_t InBuffUsed() override;
    void PurgeInput() override;
    void PurgeOutput() override;
    bool ExecuteSetupDialog() override;
    bool HasSetupDialog() override;

    int32_t GetBaudRate() override;
    bool GetRTS() override;
    bool GetDTR() override;
    bool GetCTS() override;
    bool GetDSR() override;
    uint8_t GetStopBits() override;
    uint8_t GetParity() override;
    uint8_t GetDatabits() override;
    int32_t GetOutBufSize() override;
    // Buffer sizes change only while closed; the component raises EAfComPortError
    // ("Port is not closed") otherwise.
    void SetOutBufSize(int32_t size) override;
    int32_t GetInBufSize() override;
    void SetInBufSize(int32_t size) override;

    uint16_t GetComNumber();

protected:
    ~TSerialPortInterface() override;

    bool ImplementsInterface(const TGUID& iid) const override;
    bool InternalOpen() override;
    bool InternalClose(bool force) override;
    int32_t InternalWrite(const std::string& bytes) override;
    void InternalRead(std::string& bytes) override;
    bool ApplyConfiguration(const std::string& text) override;
    // Woken by the line itself, on the calling thread, without the main thread's event
    // loop; a hung-up line is reported, the close that follows comes from the component.
    TCiWaitResult InternalWaitForData(uint32_t timeoutMs) override;

    bool ApplyBaudRate(int32_t baudRate) override;
    bool ApplyParity(uint8_t parity) override;
    bool ApplyStopBits(uint8_t stopBits) override;
    bool ApplyDatabits(uint8_t databits) override;
    bool ApplyDTR(bool level) override;
    bool ApplyRTS(bool level) override;
    // Closes an open port and opens it again on the new number. False when the
    // component refused (the transport is then closed).
    virtual bool ApplyComNumber(uint16_t comNumber);

private:
    // Runs a change of the component under the write lock; false when it raised.
    template <class F>
    bool Change(F&& change);
    void BindPortEvents();
    void PortClosed();
    void SetDisplayName(uint16_t comNumber);

    std::mutex FNameLock; // the display name is read by display code on any thread
    std::string FDisplayName;
    // True while this transport closes the port itself, so that only a close the
    // component made on its own (the line went away) is announced from PortClosed.
    std::atomic<bool> FClosingPort{false};
    std::unique_ptr<TAfComPort> FPort;
};
