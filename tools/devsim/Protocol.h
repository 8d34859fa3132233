#pragma once
// The device side of the MOP frames, on bytes alone: no fd, no clock (the
// caller passes the time in).
//
// Request (PC to device):  60 a1 a2 a3 a4 RR RR rc WW WW wc, then 2*wc data bytes.
// Response (device to PC): E0 a4 a1 a2 a3 RR RR N, then 2*N data bytes.
// Register numbers and values are big-endian; no checksum, no length field.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devsim {

constexpr unsigned char requestHeaderByte = 0x60;
constexpr unsigned char responseHeaderByte = 0xE0;
constexpr std::size_t requestFixedLength = 11;
// The device's line: 9600 baud, 8 data bits, no parity, 1 stop bit, so a
// byte takes 10 bit times on the wire.
constexpr int lineBaudRate = 9600;
constexpr int bitsPerByteOnWire = 10;

// A request frame that is not complete this long after its first byte (plus
// the wire time of the frame itself at the line rate) is dropped.
constexpr std::int64_t requestCompleteLimitMs = 100;

struct Request {
    std::uint8_t address[4] = {0, 0, 0, 0};
    std::uint16_t readStart = 0;
    std::uint8_t readCount = 0;
    std::uint16_t writeStart = 0;
    std::uint8_t writeCount = 0;
    std::vector<std::uint16_t> writeData; // writeCount values
    std::string raw;                      // the frame bytes as received

    // True when the read run or the write run covers `reg`.
    bool touches(std::uint16_t reg) const;
};

// Decodes a complete frame; nullopt when `frame` is not exactly one request.
std::optional<Request> decodeRequest(std::string_view frame);

// Assembles request frames from received bytes. Bytes before a 0x60 are
// skipped; a frame is complete at 11 + 2 x write count bytes.
class RequestParser {
public:
    struct Result {
        std::vector<Request> requests;    // completed, in order
        std::vector<std::string> dropped; // incomplete frames given up
    };

    // Takes bytes received at `nowMs`. A frame under way whose limit has passed
    // is dropped before the new bytes are looked at.
    Result feed(std::string_view bytes, std::int64_t nowMs);

    // Drops the frame under way when its limit has passed; returns its bytes.
    std::optional<std::string> expire(std::int64_t nowMs);

    // When the frame under way will be dropped; nullopt when none is.
    std::optional<std::int64_t> deadlineMs() const;

    std::size_t skippedBytes() const { return skipped_; }
    bool inFrame() const { return !frame_.empty(); }

private:
    std::int64_t limitMs() const;

    std::string frame_;
    std::int64_t firstByteMs_ = 0;
    std::size_t skipped_ = 0;
};

// The answer to `request` for `count` words starting at `start`:
// E0, address byte 4, bytes 1..3, start BE, count, the words BE.
std::string buildResponse(const Request& request, std::uint16_t start,
                          const std::vector<std::uint16_t>& words);

// One piece of output: sent `delayMs` after the previous piece has gone out
// (after the request for the first piece).
struct Chunk {
    int delayMs = 0;
    std::string bytes;
};

// What the device sends for one request. No chunks: silence.
struct Emission {
    std::vector<Chunk> chunks;
    bool hangup = false; // after the chunks, close the line and end

    std::string allBytes() const;
};

// Upper-case hex without separators ("E0000000").
std::string toHex(std::string_view bytes);

// Wire time of `bytes` bytes at `baud` (10 bits per byte), in ms, rounded up.
std::int64_t wireTimeMs(std::size_t bytes, int baud);

// Wire time of one byte at `baud` in ns; 0 for baud 0 (no pacing).
std::int64_t byteTimeNs(int baud);

} // namespace devsim
