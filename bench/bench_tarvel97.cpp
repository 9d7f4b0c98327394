// Format 97 codec over a 128 KiB buffer of packets. BM_PlainByteSum is the baseline:
// one pass adding the same bytes, the least any of these operations can cost.
#include "protocol/uTarvel97.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr size_t BufferBytes = 128 * 1024;

// Packets of 0..63 data bytes, one stray byte between each pair, filling 128 KiB.
const std::string& PacketBuffer()
{
    static const std::string buffer = [] {
        std::string b;
        for (unsigned i = 0; b.size() < BufferBytes; ++i) {
            std::string data(i % 64, static_cast<char>(i));
            b += BuildTarvel97Packet(0x31, static_cast<uint8_t>(i), 0x00, data);
            b += static_cast<char>(0x55);
        }
        b.resize(BufferBytes);
        return b;
    }();
    return buffer;
}

// Markers every five bytes whose NUM reaches 64 KiB ahead onto a CR: every candidate
// that fits needs its checksum.
const std::string& MarkerBuffer()
{
    static const std::string buffer = [] {
        std::string b;
        while (b.size() < BufferBytes)
            b += "*a\xFF\xF1\r";
        return b;
    }();
    return buffer;
}

void SetBytes(benchmark::State& state, size_t perIteration)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * perIteration));
}

void BM_PlainByteSum(benchmark::State& state)
{
    const std::string& buffer = PacketBuffer();
    for (auto _ : state) {
        unsigned sum = 0;
        for (const char c : buffer)
            sum += static_cast<uint8_t>(c);
        benchmark::DoNotOptimize(sum);
    }
    SetBytes(state, buffer.size());
}
BENCHMARK(BM_PlainByteSum);

void BM_CheckSum(benchmark::State& state)
{
    const std::string& buffer = PacketBuffer();
    for (auto _ : state)
        benchmark::DoNotOptimize(Tarvel97CheckSum(buffer));
    SetBytes(state, buffer.size());
}
BENCHMARK(BM_CheckSum);

// Cuts every packet off the front of a copy, dropping the stray byte after each.
void BM_ExtractAll(benchmark::State& state)
{
    const std::string& buffer = PacketBuffer();
    size_t packets = 0;
    for (auto _ : state) {
        size_t offset = 0;
        std::string rest;
        // A moving window (packets here are at most 72 bytes) keeps the cost the codec's,
        // not that of erasing the front of a 128 KiB string.
        while (offset < buffer.size()) {
            rest.assign(buffer, offset, 128);
            const std::string packet = ExtractTarvel97Packet(rest, false);
            if (packet.empty())
                break;
            offset += packet.size() + 1;
            ++packets;
        }
        benchmark::DoNotOptimize(offset);
    }
    state.counters["packets"] = benchmark::Counter(static_cast<double>(packets), benchmark::Counter::kAvgIterations);
    SetBytes(state, buffer.size());
}
BENCHMARK(BM_ExtractAll);

// Takes every packet out of one buffer with repeated searches, as a receiver does.
void BM_FindAllRemoving(benchmark::State& state)
{
    const std::string& source = PacketBuffer();
    size_t packets = 0;
    for (auto _ : state) {
        std::string buffer = source;
        TTarvelFormat97 rec;
        while (FindTarvel97Packet(buffer, rec, true))
            ++packets;
        benchmark::DoNotOptimize(buffer);
    }
    state.counters["packets"] = benchmark::Counter(static_cast<double>(packets), benchmark::Counter::kAvgIterations);
    SetBytes(state, source.size());
}
BENCHMARK(BM_FindAllRemoving);

// One search through 128 KiB that holds no packet at all.
void BM_FindInGarbage(benchmark::State& state)
{
    std::string buffer(BufferBytes, '\0');
    for (size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<char>(i * 131 % 251 == 42 ? 'x' : i * 7);
    TTarvelFormat97 rec;
    for (auto _ : state)
        benchmark::DoNotOptimize(FindTarvel97Packet(buffer, rec, false));
    SetBytes(state, buffer.size());
}
BENCHMARK(BM_FindInGarbage);

// One search through 128 KiB of markers announcing long packets ending in CR.
void BM_FindInMarkers(benchmark::State& state)
{
    std::string buffer = MarkerBuffer();
    TTarvelFormat97 rec;
    for (auto _ : state)
        benchmark::DoNotOptimize(FindTarvel97Packet(buffer, rec, false));
    SetBytes(state, buffer.size());
}
BENCHMARK(BM_FindInMarkers);

} // namespace
