// Framing of a received byte stream into format 97 packets, on views of a buffer so
// that callers can keep a read offset instead of erasing the front of a string.
#pragma once

#include <cstddef>
#include <string_view>

// Length of the packet that starts at `pos` ("*a", NUM, then NUM more bytes), or 0 when
// the bytes there are no packet start or the packet is not complete yet. When 0,
// `needed` receives the buffer length from which a packet could be cut there
// (npos when the bytes are no packet start at all). The cut is not validated.
size_t Tarvel97CutLength(std::string_view buffer, size_t pos, size_t& needed);

// How many bytes of an invalid candidate to drop: those before the next "*" after its
// first byte, or all of them when it holds none, so that the stream can realign on a
// packet that starts inside the damaged one.
size_t Tarvel97InvalidSkip(std::string_view candidate);

// A valid packet that may be the answer to a request with Sig sent to Address: at least
// one byte after ADR and SIG, the same SIG, byte 6 not a message code (12..15), and the
// ADR equal to Address unless Address is the wildcard 0xFE.
bool Tarvel97IsAnswer(std::string_view packet, unsigned char Address, unsigned char Sig);
