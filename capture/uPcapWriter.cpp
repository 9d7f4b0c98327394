#include "capture/uPcapWriter.h"

#include <pcap/pcap.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// A record header, a link name and the longest packet (65535 + 4 bytes).
constexpr int CaptureSnapLength = 0x11000;

} // namespace

TPcapWriter::~TPcapWriter() { Close(); }

bool TPcapWriter::Open(const std::string& path, std::string& error)
{
    Close();
    std::FILE* file = nullptr;
    if (path == "-") {
        // A copy of the descriptor: closing the capture must not close standard output.
        const int fd = dup(STDOUT_FILENO);
        file = fd < 0 ? nullptr : fdopen(fd, "wb");
        if (!file && fd >= 0) ::close(fd);
    } else {
        file = std::fopen(path.c_str(), "wb");
    }
    if (!file) {
        error = "cannot write the capture " + path + ": " + std::strerror(errno);
        return false;
    }
    FPcap = pcap_open_dead(DLT_USER0, CaptureSnapLength);
    FDumper = FPcap ? pcap_dump_fopen(FPcap, file) : nullptr; // owns the file from here
    if (!FDumper) {
        error = "cannot write the capture " + path;
        std::fclose(file);
        Close();
        return false;
    }
    if (pcap_dump_flush(FDumper) != 0) {
        error = "cannot write the capture " + path + ": " + std::strerror(errno);
        Close();
        return false;
    }
    return true;
}

bool TPcapWriter::Write(const TCaptureRecord& record)
{
    if (!FDumper) return false;
    const std::string frame = CaptureFrame(record);
    pcap_pkthdr header{};
    header.ts.tv_sec = time_t(record.TimeUs / 1000000);
    header.ts.tv_usec = suseconds_t(record.TimeUs % 1000000);
    header.caplen = bpf_u_int32(frame.size());
    header.len = header.caplen;
    pcap_dump(reinterpret_cast<u_char*>(FDumper), &header, reinterpret_cast<const u_char*>(frame.data()));
    if (pcap_dump_flush(FDumper) == 0) return true;
    Close();
    return false;
}

void TPcapWriter::Close()
{
    if (FDumper) pcap_dump_close(FDumper);
    FDumper = nullptr;
    if (FPcap) pcap_close(FPcap);
    FPcap = nullptr;
}
