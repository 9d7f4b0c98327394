#include "app/uLogCaptureTools.h"

#include "capture/uPcapWriter.h"
#include "framework/uDateTime.h"
#include "framework/uci_SpySink.h"

#include <cmath>
#include <ctime>
#include <map>

int64_t LocalDateTimeToUnixUs(double time)
{
    const double day = std::floor(time);
    const TDateTimeParts parts = DecodeDateTime(day);
    std::tm midnight{};
    midnight.tm_year = parts.Year - 1900;
    midnight.tm_mon = parts.Month - 1;
    midnight.tm_mday = parts.Day;
    midnight.tm_isdst = -1;
    return int64_t(std::mktime(&midnight)) * 1000000 + std::llround((time - day) * 86400e6);
}

std::string TLogCaptureTools::Describe(const std::string& packet, uint8_t direction, double time)
{
    const uint8_t captureDirection = direction == SpyDirectionSent ? CaptureDirectionSent : CaptureDirectionReceived;
    const TPacketReading reading = FPairing.Read(packet, captureDirection, LocalDateTimeToUnixUs(time));
    return reading.Text();
}

QString TLogCaptureTools::CaptureFilter() const { return QStringLiteral("Wireshark (*.pcap)"); }

bool TLogCaptureTools::SaveCapture(const std::deque<TLogLine>& lines, const QString& path, std::string& error) const
{
    TPcapWriter writer;
    if (!writer.Open(path.toStdString(), error)) return false;
    std::map<std::string, uint16_t> links;
    for (const TLogLine& line : lines) {
        TCaptureRecord record;
        record.TimeUs = LocalDateTimeToUnixUs(line.Time);
        record.Direction = line.Direction == SpyDirectionSent ? CaptureDirectionSent : CaptureDirectionReceived;
        record.Kind = line.Unframed ? TCaptureKind::Unframed : TCaptureKind::Packet;
        record.Link = links.try_emplace(line.Link, uint16_t(links.size() + 1)).first->second;
        record.LinkName = line.Link;
        record.Bytes = line.Bytes;
        if (!writer.Write(record)) {
            error = "cannot write the capture " + path.toStdString();
            return false;
        }
    }
    writer.Close();
    return true;
}
