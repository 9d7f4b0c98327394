// valdrix-cli --capture FILE: every packet a command sends and receives, and every byte
// that formed no packet, written as a capture that Wireshark and tshark open (see
// capture/uPcapWriter.h); "-" writes it to standard output, for "| wireshark -k -i -".
// The links are numbered in the order their traffic first passes, and named by the
// connection string.
#pragma once

#include "capture/uPcapWriter.h"
#include "capture/uTrafficRecorder.h"
#include "framework/uci_SpySink.h"

#include <map>
#include <mutex>
#include <string>

class TCliCapture {
public:
    explicit TCliCapture(std::string linkName);
    TCliCapture(const TCliCapture&) = delete;
    TCliCapture& operator=(const TCliCapture&) = delete;
    // Stops watching and writes out what is still held.
    ~TCliCapture();

    // Creates the capture and watches the traffic from then on, passing it on to the
    // spy sink installed before; false with the reason when the file cannot be made.
    bool Open(const std::string& path, std::string& error);

private:
    void Watch(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction);

    std::string FLinkName;
    TPcapWriter FWriter;
    TTrafficRecorder FRecorder;
    std::mutex FLinksLock;
    std::map<ICommunicationInterface*, uint16_t> FLinks;
    TSpySink FSink;
    TSpySink FNextSink;
    bool FWatching = false;
};
