// The log window's format 97 tools: the decoded column from the traffic decoder that
// valdrix-cli uses, and "Uložit…" as a capture for Wireshark (pcap, read with the shipped
// dissector), the interfaces numbered in the order they appear in the log.
#pragma once

#include "capture/uTarvelPairing.h"
#include "framework/gui/uLogTrafficTools.h"

class TLogCaptureTools : public ILogTrafficTools {
public:
    std::string Describe(const std::string& packet, uint8_t direction, double time) override;
    void Reset() override { FPairing.Clear(); }
    QString CaptureFilter() const override;
    bool SaveCapture(const std::deque<TLogLine>& lines, const QString& path, std::string& error) const override;

private:
    TTarvelPairing FPairing;
};

// Microseconds since 1970-01-01 UTC of a desktop date-time in local time.
int64_t LocalDateTimeToUnixUs(double time);
