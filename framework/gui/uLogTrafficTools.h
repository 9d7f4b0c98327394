// What the application adds to the communication log window for its packet protocol: a
// short reading of each packet shown (the decoded column beside the hexadecimal bytes)
// and saving the log as a capture that Wireshark opens ("Uložit…", beside the text file).
// The window knows only bytes; the protocol's decoder and capture writer stand behind this.
#pragma once

#include "framework/gui/uLogUtils.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <string>

class ILogTrafficTools {
public:
    virtual ~ILogTrafficTools() = default;
    // The reading of a packet, called for every packet the view shows, in order (so that
    // answers can be paired with their requests).
    virtual std::string Describe(const std::string& packet, uint8_t direction, double time) = 0;
    // The view was emptied: what was paired so far is forgotten.
    virtual void Reset() = 0;
    // The name filter of the save dialog for captures, e.g. "Wireshark (*.pcap)".
    virtual QString CaptureFilter() const = 0;
    // Writes the lines as a capture; lines in ColorUndecodable are bytes that formed no
    // packet. False with the reason when the file cannot be written.
    virtual bool SaveCapture(const std::deque<TLogLine>& lines, const QString& path, std::string& error) const = 0;
};
