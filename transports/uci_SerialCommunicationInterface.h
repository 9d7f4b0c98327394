// The serial-line layer shared by every transport that drives a UART-like line (the
// local COM port, the USB converter): the line settings, their connection-string keys
// and printed form, notifying setters and the byte time that scales the transaction
// time-outs.
//
// Connection-string keys read here: "baudrate" and "databits" (decimal), "stopbits"
// ("1"/"One", "1.5"/"1,5"/"OneAndHalf", "2"/"Two"), "parity" ("None", "Odd", "Even",
// "Mark", "Space"), "dtr" and "rts" (a number, 0 being off, or "True"/"False"), all in
// any letter case; unknown stop-bit and parity texts keep the current value. "active"
// set to "true" (any case) or "1" opens the link once everything else is applied; no
// value ever closes it. A descendant reads its own keys first and then calls
// ApplyConfiguration of this class.
//
// Each setting has a raw setter (Apply..., true on success, nobody notified) and a
// notifying setter (Set..., which raises the configuration-changed notification on
// success and reports the operation through OnError on failure).
#pragma once

#include "framework/uci_ICommunicationInterfaceDataSpy.h"

#include <cstdint>
#include <string>

// Parity ordinals.
enum TSerialParity : uint8_t { spNone, spOdd, spEven, spMark, spSpace };
// Stop-bit ordinals.
enum TSerialStopBits : uint8_t { ssOne, ssOneAndHalf, ssTwo };
// Signal kinds of the change-signal notification.
enum TSerialSignal : uint32_t { sigRTS, sigCTS, sigDTR, sigDSR, sigRING };

// "None", "Odd", ...; "" for an ordinal outside the table.
std::string SerialParityName(uint8_t parity);
// "One", "OneAndHalf", "Two"; "" outside the table.
std::string SerialStopBitsName(uint8_t stopBits);
// "RTS", "CTS", "DTR", "DSR", "RING"; "" outside the table.
std::string SerialSignalName(uint32_t signal);
// The connection-string forms above, any letter case; false (value untouched) otherwise.
bool ParseSerialParity(const std::string& text, uint8_t& parity);
bool ParseSerialStopBits(const std::string& text, uint8_t& stopBits);

class ISerialCommunicationInterface : public virtual ICommunicationInterface {
public:
    static constexpr TGUID IID = MakeGUID("{783E5941-B8D8-4FB6-B8B5-F43D41E6DB42}");

    virtual int32_t GetBaudRate() = 0;
    virtual void SetBaudRate(int32_t baudRate) = 0;
    // Output levels as last set.
    virtual bool GetRTS() = 0;
    virtual void SetRTS(bool level) = 0;
    virtual bool GetDTR() = 0;
    virtual void SetDTR(bool level) = 0;
    // Input levels as read from the line now.
    virtual bool GetCTS() = 0;
    virtual bool GetDSR() = 0;
    virtual uint8_t GetStopBits() = 0;
    virtual void SetStopBits(uint8_t stopBits) = 0;
    virtual uint8_t GetParity() = 0;
    virtual void SetParity(uint8_t parity) = 0;
    virtual uint8_t GetDatabits() = 0;
    virtual void SetDatabits(uint8_t databits) = 0;
    virtual int32_t GetOutBufSize() = 0;
    virtual void SetOutBufSize(int32_t size) = 0;
    virtual int32_t GetInBufSize() = 0;
    virtual void SetInBufSize(int32_t size) = 0;
};

class TSerialCommunicationInterface : public TCommunicationInterfaceDataSpy,
                                      public virtual ISerialCommunicationInterface {
public:
    std::string ClassName() const override { return "TSerialCommunicationInterface"; }

    // Notifying setters: the raw setter, then the configuration-changed notification,
    // or OnError ("SetBaudRate", ... with the requested value as text, code 0).
    void SetBaudRate(int32_t baudRate) override;
    void SetParity(uint8_t parity) override;
    void SetStopBits(uint8_t stopBits) override;
    void SetDatabits(uint8_t databits) override;
    void SetDTR(bool level) override;
    void SetRTS(bool level) override;

    // "baudrate=9600;databits=8;stopbits=One;parity=None;dtr=-1;rts=-1" (a level
    // prints -1 for on, 0 for off); it parses back to the same settings.
    std::string GetConfiguration() override;

protected:
    bool ImplementsInterface(const TGUID& iid) const override;

    // Applies the line keys under the write lock (raw setters' failures are ignored,
    // conversion errors raise), then opens on "active". Always true.
    bool ApplyConfiguration(const std::string& text) override;

    // Raw setters. This class's ApplyBaudRate only sets the byte time (the time of a
    // 10-bit character); it refuses a rate below 1. A descendant changes the line first
    // and then calls it.
    virtual bool ApplyBaudRate(int32_t baudRate);
    virtual bool ApplyParity(uint8_t parity) = 0;
    virtual bool ApplyStopBits(uint8_t stopBits) = 0;
    virtual bool ApplyDatabits(uint8_t databits) = 0;
    virtual bool ApplyDTR(bool level) = 0;
    virtual bool ApplyRTS(bool level) = 0;

private:
    void ApplyLineSettings(const std::string& text);
    void Notified(bool applied, const char* operation, const std::string& value);
};
