// How a packet protocol's traffic is cut into packets, for code below the protocol layer
// that shows traffic (the log window). The protocol describes itself in one (format 97:
// Tarvel97PacketFormat) and the application hands it over.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// Cuts a byte stream into packets, in stream order, keeping the bytes that form none.
class TPacketFramer {
public:
    virtual ~TPacketFramer() = default;
    virtual void Append(std::string_view bytes) = 0;
    // The next valid packet (`packet` true) or run of bytes that form none (false);
    // false when neither is there yet.
    virtual bool NextPiece(std::string& bytes, bool& packet) = 0;
    // The bytes held for a packet that is not complete yet.
    virtual std::string Unframed() const = 0;
    // Forgets the held bytes.
    virtual void Clear() = 0;
};

struct TPacketFormat {
    // A new framer of the protocol's packets.
    std::unique_ptr<TPacketFramer> (*MakeFramer)();
    // Where a packet holds its instruction (request) or acknowledge (answer) code.
    size_t CodeIndex;
};
