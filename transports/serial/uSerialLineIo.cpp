#include "transports/serial/uSerialLineIo.h"

#include <asm/termbits.h>
#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr uint32_t LineFlags = dcb::fParity | dcb::fOutxCtsFlow | dcb::fOutxDsrFlow | dcb::fDtrControlHandshake |
                                dcb::fOutX | dcb::fInX | dcb::fRtsControlHandshake;

bool ToCharSize(uint8_t byteSize, tcflag_t& size)
{
    switch (byteSize) {
    case 5: size = CS5; return true;
    case 6: size = CS6; return true;
    case 7: size = CS7; return true;
    case 8: size = CS8; return true;
    default: return false;
    }
}

bool ToParity(uint8_t parity, tcflag_t& bits)
{
    static const tcflag_t ParityFlags[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD, PARENB | CMSPAR};
    if (parity > 4) return false;
    bits = ParityFlags[parity];
    return true;
}

// One and a half stop bits exist on the line only with 5 data bits, where the two-stop
// setting means 1.5; two stop bits with 5 data bits do not exist (LineFormatProblem).
bool ToStopBits(const TAfDcb& s, tcflag_t& bits)
{
    if (!LineFormatProblem(s).empty()) return false;
    bits = s.StopBits == 0 ? 0 : CSTOPB;
    return true;
}

// DTR/DSR output flow control has no counterpart on this system.
bool ToFlowControl(uint32_t flags, tcflag_t& cflag, tcflag_t& iflag)
{
    if (flags & (dcb::fOutxDsrFlow | dcb::fDtrControlHandshake)) return false;
    const uint32_t rtsCts = dcb::fOutxCtsFlow | dcb::fRtsControlHandshake;
    const uint32_t rts = flags & rtsCts;
    if (rts != 0 && rts != rtsCts) return false;
    cflag = rts ? CRTSCTS : 0;
    iflag = ((flags & dcb::fOutX) ? IXON : 0) | ((flags & dcb::fInX) ? IXOFF : 0) | ((flags & dcb::fParity) ? INPCK : 0);
    return true;
}

} // namespace

std::string LineFormatProblem(const TAfDcb& s)
{
    const std::string dataBits = std::to_string(s.ByteSize) + " data bits";
    if (s.ByteSize < 5 || s.ByteSize > 8) return dataBits + " do not exist on a serial line (5 to 8 do)";
    if (s.StopBits == 1 && s.ByteSize != 5) return "1.5 stop bits exist only with 5 data bits, not with " + std::to_string(s.ByteSize);
    if (s.StopBits == 2 && s.ByteSize == 5) return "2 stop bits do not exist with 5 data bits (1.5 do)";
    if (s.StopBits > 2) return "stop-bit setting " + std::to_string(s.StopBits) + " does not exist";
    return {};
}

int TSerialLineIo::Open(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -errno;
    int error = 0;
    if (!::isatty(fd)) error = ENOTTY;
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) error = errno == EWOULDBLOCK ? EBUSY : errno;
    else if (::ioctl(fd, TIOCEXCL) != 0) error = errno;
    if (error == 0) return fd;
    ::close(fd);
    return -error;
}

void TSerialLineIo::Close(int fd)
{
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}

bool TSerialLineIo::SetSettings(int fd, const TAfDcb& s)
{
    tcflag_t size, parity, stop, flowC, flowI;
    if (s.BaudRate == 0 || !ToCharSize(s.ByteSize, size) || !ToParity(s.Parity, parity) || !ToStopBits(s, stop) ||
        !ToFlowControl(s.Flags, flowC, flowI))
        return false;
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_iflag = flowI;
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cflag = (t.c_cflag & HUPCL) | CLOCAL | CREAD | BOTHER | (BOTHER << IBSHIFT) | size | parity | stop | flowC;
    t.c_ispeed = t.c_ospeed = s.BaudRate;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    t.c_cc[VSTART] = static_cast<cc_t>(s.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.XoffChar);
    return ::ioctl(fd, TCSETS2, &t) == 0;
}

bool TSerialLineIo::GetSettings(int fd, TAfDcb& s)
{
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    s.BaudRate = t.c_ospeed;
    static const uint8_t ByteSizes[] = {5, 6, 7, 8};
    s.ByteSize = ByteSizes[(t.c_cflag & CSIZE) / CS6];
    if (!(t.c_cflag & PARENB)) s.Parity = 0;
    else if (t.c_cflag & CMSPAR) s.Parity = (t.c_cflag & PARODD) ? 3 : 4;
    else s.Parity = (t.c_cflag & PARODD) ? 1 : 2;
    s.StopBits = !(t.c_cflag & CSTOPB) ? 0 : s.ByteSize == 5 ? 1 : 2;
    s.Flags &= ~LineFlags;
    if (t.c_cflag & CRTSCTS) s.Flags |= dcb::fOutxCtsFlow | dcb::fRtsControlHandshake;
    if (t.c_iflag & IXON) s.Flags |= dcb::fOutX;
    if (t.c_iflag & IXOFF) s.Flags |= dcb::fInX;
    if (t.c_iflag & INPCK) s.Flags |= dcb::fParity;
    s.XonChar = static_cast<char>(t.c_cc[VSTART]);
    s.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    return true;
}

ssize_t TSerialLineIo::Read(int fd, void* buffer, size_t count)
{
    const ssize_t n = ::read(fd, buffer, count);
    return n < 0 ? -errno : n;
}

ssize_t TSerialLineIo::Write(int fd, const void* data, size_t count)
{
    const ssize_t n = ::write(fd, data, count);
    return n < 0 ? -errno : n;
}

int TSerialLineIo::InQueue(int fd)
{
    int n = 0;
    return ::ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}

int TSerialLineIo::OutQueue(int fd)
{
    int n = 0;
    return ::ioctl(fd, TIOCOUTQ, &n) == 0 ? n : -1;
}

bool TSerialLineIo::Flush(int fd, bool input, bool output)
{
    if (!input && !output) return true;
    const int queue = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    return ::ioctl(fd, TCFLSH, queue) == 0;
}

bool TSerialLineIo::ModemStatus(int fd, uint32_t& status)
{
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) != 0) return false;
    status = ((bits & TIOCM_CTS) ? modem::Cts : 0) | ((bits & TIOCM_DSR) ? modem::Dsr : 0) |
             ((bits & TIOCM_RI) ? modem::Ring : 0) | ((bits & TIOCM_CD) ? modem::Rlsd : 0);
    return true;
}

bool TSerialLineIo::SetModemLine(int fd, TModemLine line, bool on)
{
    const int bits = line == TModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
    return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

bool TSerialLineIo::Counters(int fd, TSerialLineCounters& c)
{
    serial_icounter_struct ic{};
    if (::ioctl(fd, TIOCGICOUNT, &ic) != 0) return false;
    c = {static_cast<uint32_t>(ic.cts), static_cast<uint32_t>(ic.dsr), static_cast<uint32_t>(ic.rng),
         static_cast<uint32_t>(ic.dcd), static_cast<uint32_t>(ic.frame), static_cast<uint32_t>(ic.overrun),
         static_cast<uint32_t>(ic.parity), static_cast<uint32_t>(ic.brk), static_cast<uint32_t>(ic.buf_overrun)};
    return true;
}
