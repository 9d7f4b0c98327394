// Writes capture records to a file that Wireshark and tshark open: libpcap's classic
// format (libpcap writes no other), link type DLT_USER0 with the record header of
// uCaptureRecord.h in front of each record's bytes, microsecond time stamps. Every record
// is flushed at once, so that a reader on a pipe ("wireshark -k -i -") sees it live.
//
// Not thread-safe: the owner serialises the calls.
#pragma once

#include "capture/uCaptureRecord.h"

#include <string>

struct pcap;
struct pcap_dumper;

class TPcapWriter {
public:
    TPcapWriter() = default;
    TPcapWriter(const TPcapWriter&) = delete;
    TPcapWriter& operator=(const TPcapWriter&) = delete;
    ~TPcapWriter();

    // Creates the file (replacing one that exists), or with "-" writes to standard
    // output; false with the reason when it cannot.
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const { return FDumper != nullptr; }
    // False when the record could not be written (the disk is full, the reader of the
    // pipe went away); the writer then stays closed.
    bool Write(const TCaptureRecord& record);
    void Close();

private:
    pcap* FPcap = nullptr;
    pcap_dumper* FDumper = nullptr;
};
