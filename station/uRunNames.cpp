#include "station/uRunNames.h"

#include <cstdint>

namespace {

// The length of the UTF-8 sequence at `at` (1 to 4), 0 when it is not valid there:
// no stray continuation byte, no overlong form, no surrogate, nothing past U+10FFFF.
size_t SequenceLength(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return uint8_t(text[at + i]); };
    const uint8_t lead = byte(0);
    if (lead < 0x80) return 1;
    const size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4                                    ? 4
                                                                                            : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80) return 0;
    const uint8_t second = byte(1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

}

TRunNameFault CheckRunName(std::string_view name)
{
    size_t characters = 0;
    for (size_t at = 0; at < name.size(); ++characters) {
        const size_t length = SequenceLength(name, at);
        if (length == 0) return TRunNameFault::NotUtf8;
        at += length;
    }
    return characters > LongestRunName ? TRunNameFault::TooLong : TRunNameFault::None;
}
