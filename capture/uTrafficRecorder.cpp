#include "capture/uTrafficRecorder.h"

TTrafficRecorder::TTrafficRecorder(TOutput output) : FOutput(std::move(output)) {}

void TTrafficRecorder::Add(uint16_t link, const std::string& linkName, uint8_t direction, std::string_view bytes,
                           int64_t timeUs)
{
    if (bytes.empty()) return;
    const std::lock_guard lock(FLock);
    TStream& stream = FStreams[{link, direction}];
    stream.LinkName = linkName;
    stream.Times.emplace_back(stream.Framer.End(), timeUs);
    stream.Framer.Append(bytes);
    stream.Held += bytes;
    Drain(link, direction, stream, timeUs);
}

void TTrafficRecorder::AddDropped(uint16_t link, const std::string& linkName, uint8_t direction,
                                  std::string_view bytes, int64_t timeUs)
{
    if (bytes.empty()) return;
    const std::lock_guard lock(FLock);
    TStream& stream = FStreams[{link, direction}];
    stream.LinkName = linkName;
    Unframed(link, direction, stream, stream.Front + stream.Held.size());
    stream.Framer.Clear();
    stream.Times.clear();
    FOutput({timeUs, direction, TCaptureKind::Unframed, link, stream.LinkName, std::string(bytes)});
}

void TTrafficRecorder::Drain(uint16_t link, uint8_t direction, TStream& stream, int64_t timeUs)
{
    std::string packet;
    uint64_t start = 0;
    while (stream.Framer.Next(packet, start)) {
        Unframed(link, direction, stream, start);
        FOutput({timeUs, direction, TCaptureKind::Packet, link, stream.LinkName, packet});
        Consume(stream, start + packet.size());
    }
    // What the framer let go of without a packet (no marker in it, or past its bound).
    Unframed(link, direction, stream, stream.Framer.End() - stream.Framer.Buffered());
}

void TTrafficRecorder::Unframed(uint16_t link, uint8_t direction, TStream& stream, uint64_t end)
{
    if (end <= stream.Front) return;
    int64_t time = stream.Times.front().second;
    for (const auto& [position, at] : stream.Times)
        if (position <= stream.Front) time = at;
    FOutput({time, direction, TCaptureKind::Unframed, link, stream.LinkName,
             stream.Held.substr(0, size_t(end - stream.Front))});
    Consume(stream, end);
}

void TTrafficRecorder::Consume(TStream& stream, uint64_t end)
{
    stream.Held.erase(0, size_t(end - stream.Front));
    stream.Front = end;
    // The piece holding the new front stays: it gives the time of the next unframed bytes.
    while (stream.Times.size() > 1 && stream.Times[1].first <= end) stream.Times.pop_front();
}

void TTrafficRecorder::Finish()
{
    const std::lock_guard lock(FLock);
    for (auto& [key, stream] : FStreams) Unframed(key.first, key.second, stream, stream.Front + stream.Held.size());
    FStreams.clear();
}
