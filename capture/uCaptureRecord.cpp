#include "capture/uCaptureRecord.h"

#include "protocol/uTarvelBytes.h"

#include <chrono>

std::string CaptureFrame(const TCaptureRecord& record)
{
    const std::string_view name = std::string_view(record.LinkName).substr(0, CaptureLinkNameMax);
    std::string frame;
    frame.reserve(5 + name.size() + record.Bytes.size());
    frame.push_back(char(5 + name.size()));
    frame.push_back(char(record.Direction));
    frame.push_back(char(record.Kind));
    PutBE16(frame, record.Link);
    frame += name;
    frame += record.Bytes;
    return frame;
}

int64_t CaptureNowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}
