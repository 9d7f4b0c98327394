// What the fuzz targets share: the check for their invariants, and the records in which
// the targets that feed traffic read their input.
#pragma once

#include "protocol/uTarvel97.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A broken invariant aborts with the target's file and line; libFuzzer reports it as a
// crash and saves the input.
inline void FuzzCheck(bool ok, const char* file = __builtin_FILE(), int line = __builtin_LINE())
{
    if (ok) return;
    std::fprintf(stderr, "%s:%d: invariant broken\n", file, line);
    std::abort();
}

// One record of traffic: CTRL LEN payload(LEN), the payload cut short at the end of the
// input. With bit 1 of CTRL the payload is ADR SIG INST data (missing bytes 0) of a
// packet built with a correct checksum; the other bits are the target's.
struct TFuzzRecord {
    uint8_t Ctrl = 0;
    std::string Bytes;
};

// Reads the record at pos and moves pos past it; false when less than CTRL LEN is left.
inline bool ReadFuzzRecord(const uint8_t* data, size_t size, size_t& pos, TFuzzRecord& record)
{
    if (pos + 2 > size) return false;
    record.Ctrl = data[pos];
    const size_t len = std::min<size_t>(data[pos + 1], size - pos - 2);
    record.Bytes.assign(reinterpret_cast<const char*>(data + pos + 2), len);
    pos += 2 + len;
    if (record.Ctrl & 0x02) {
        std::string& b = record.Bytes;
        b.resize(std::max<size_t>(b.size(), 3), '\0');
        b = BuildTarvel97Packet(uint8_t(b[0]), uint8_t(b[1]), uint8_t(b[2]), b.substr(3));
    }
    return true;
}
