// Big-endian numbers in byte strings, the byte order of every multi-byte number the
// devices send and expect.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline void PutBE(std::string& out, uint64_t value, size_t bytes)
{
    for (size_t i = bytes; i-- > 0;) out.push_back(char((value >> (8 * i)) & 0xFF));
}

inline void PutBE16(std::string& out, uint16_t value) { PutBE(out, value, 2); }
inline void PutBE32(std::string& out, uint32_t value) { PutBE(out, value, 4); }

// Reads `bytes` bytes (at most 8) from `pos`; the caller has checked the length.
inline uint64_t GetBE(std::string_view data, size_t pos, size_t bytes)
{
    uint64_t value = 0;
    for (size_t i = 0; i < bytes; ++i) value = (value << 8) | uint8_t(data[pos + i]);
    return value;
}

inline uint16_t GetBE16(std::string_view data, size_t pos) { return uint16_t(GetBE(data, pos, 2)); }
inline int16_t GetBE16Signed(std::string_view data, size_t pos) { return int16_t(GetBE16(data, pos)); }
inline uint32_t GetBE32(std::string_view data, size_t pos) { return uint32_t(GetBE(data, pos, 4)); }
