// The system calls on an open serial line, and the line settings record.
//
// Everything the serial port core does to a device descriptor goes through
// TSerialLineIo: opening exclusively, line settings, transfers, queue counts, purges,
// modem lines and the driver's line counters. The methods are virtual so that the
// modem-line and line-error calls, which pseudo-terminals refuse, can be replaced in
// tests while the rest runs on a real pseudo-terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

// Line settings in the layout the serial component works with: a device control block
// with a flags word whose bits are listed below. The line keeps what it can express;
// the other fields (the XON/XOFF limits, DSR sensitivity, error character, null
// stripping, continue after XOFF) are kept by the owner only.
struct TAfDcb {
    uint32_t DCBlength = 28;
    uint32_t BaudRate = 0;
    uint32_t Flags = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 0;
    uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;

    friend bool operator==(const TAfDcb&, const TAfDcb&) = default;
};

namespace dcb {
inline constexpr uint32_t fBinary = 0x0001;
inline constexpr uint32_t fParity = 0x0002;
inline constexpr uint32_t fOutxCtsFlow = 0x0004;
inline constexpr uint32_t fOutxDsrFlow = 0x0008;
inline constexpr uint32_t fDtrControlEnable = 0x0010;
inline constexpr uint32_t fDtrControlHandshake = 0x0020;
inline constexpr uint32_t fDsrSensitivity = 0x0040;
inline constexpr uint32_t fTXContinueOnXoff = 0x0080;
inline constexpr uint32_t fOutX = 0x0100;
inline constexpr uint32_t fInX = 0x0200;
inline constexpr uint32_t fErrorChar = 0x0400;
inline constexpr uint32_t fNull = 0x0800;
inline constexpr uint32_t fRtsControlEnable = 0x1000;
inline constexpr uint32_t fRtsControlHandshake = 0x2000;
} // namespace dcb

// Modem status bits as the component reports them.
namespace modem {
inline constexpr uint32_t Cts = 0x10;
inline constexpr uint32_t Dsr = 0x20;
inline constexpr uint32_t Ring = 0x40;
inline constexpr uint32_t Rlsd = 0x80; // carrier detect
} // namespace modem

enum class TModemLine { Dtr, Rts };

// Transition and error counters of the driver; every field only grows.
struct TSerialLineCounters {
    uint32_t Cts = 0, Dsr = 0, Ring = 0, Dcd = 0;
    uint32_t Frame = 0, Overrun = 0, Parity = 0, Break = 0, BufOverrun = 0;
    friend bool operator==(const TSerialLineCounters&, const TSerialLineCounters&) = default;
};

// Why no line of this system can take the data bits and stop bits of the settings, e.g.
// "1.5 stop bits exist only with 5 data bits, not with 8"; empty when a line can.
std::string LineFormatProblem(const TAfDcb& settings);

class TSerialLineIo {
public:
    virtual ~TSerialLineIo() = default;

    // Opens the device for reading and writing, non-blocking, and takes it exclusively
    // (TIOCEXCL for other users, a flock lock against every other opener, root included).
    // Returns the descriptor, or -errno (-EBUSY when somebody else holds the line).
    virtual int Open(const std::string& path);
    virtual void Close(int fd);

    // Raw 8-bit line with the record's rate, format, flow control and XON/XOFF
    // characters; false when the line cannot express the record at all.
    virtual bool SetSettings(int fd, const TAfDcb& settings);
    // Overwrites the fields the line knows with what the line has now.
    virtual bool GetSettings(int fd, TAfDcb& settings);

    // Bytes transferred, or -errno (-EAGAIN when nothing can move now).
    virtual ssize_t Read(int fd, void* buffer, size_t count);
    virtual ssize_t Write(int fd, const void* data, size_t count);
    // Bytes waiting in the driver's input / output queue, -1 on failure.
    virtual int InQueue(int fd);
    virtual int OutQueue(int fd);
    virtual bool Flush(int fd, bool input, bool output);

    // Modem status bits (modem::Cts ...); false when the line has no modem status.
    virtual bool ModemStatus(int fd, uint32_t& status);
    virtual bool SetModemLine(int fd, TModemLine line, bool on);
    // false when the driver keeps no counters.
    virtual bool Counters(int fd, TSerialLineCounters& counters);
};
