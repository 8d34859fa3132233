#include "Protocol.h"

namespace devsim {

namespace {

std::uint8_t byteAt(std::string_view s, std::size_t i) {
    return static_cast<std::uint8_t>(s[i]);
}

std::uint16_t be16(std::string_view s, std::size_t i) {
    return static_cast<std::uint16_t>((byteAt(s, i) << 8) | byteAt(s, i + 1));
}

void putBe16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v & 0xFF));
}

std::size_t expectedLength(std::string_view head) {
    return requestFixedLength + 2u * byteAt(head, 10);
}

} // namespace

bool Request::touches(std::uint16_t reg) const {
    const auto within = [reg](std::uint16_t start, unsigned count) {
        return count > 0 && static_cast<std::uint16_t>(reg - start) < count;
    };
    return within(readStart, readCount) || within(writeStart, writeCount);
}

std::optional<Request> decodeRequest(std::string_view frame) {
    if (frame.size() < requestFixedLength || byteAt(frame, 0) != requestHeaderByte ||
        frame.size() != expectedLength(frame))
        return std::nullopt;
    Request r;
    for (int i = 0; i < 4; ++i)
        r.address[i] = byteAt(frame, 1 + i);
    r.readStart = be16(frame, 5);
    r.readCount = byteAt(frame, 7);
    r.writeStart = be16(frame, 8);
    r.writeCount = byteAt(frame, 10);
    for (unsigned i = 0; i < r.writeCount; ++i)
        r.writeData.push_back(be16(frame, requestFixedLength + 2 * i));
    r.raw = std::string(frame);
    return r;
}

std::int64_t RequestParser::limitMs() const {
    std::size_t length = requestFixedLength;
    if (frame_.size() >= requestFixedLength)
        length = expectedLength(frame_);
    return requestCompleteLimitMs + wireTimeMs(length, lineBaudRate);
}

std::optional<std::int64_t> RequestParser::deadlineMs() const {
    if (frame_.empty())
        return std::nullopt;
    return firstByteMs_ + limitMs();
}

std::optional<std::string> RequestParser::expire(std::int64_t nowMs) {
    if (frame_.empty() || nowMs <= firstByteMs_ + limitMs())
        return std::nullopt;
    std::string dropped;
    dropped.swap(frame_);
    return dropped;
}

RequestParser::Result RequestParser::feed(std::string_view bytes, std::int64_t nowMs) {
    Result result;
    if (auto dropped = expire(nowMs))
        result.dropped.push_back(std::move(*dropped));
    for (char c : bytes) {
        if (frame_.empty()) {
            if (static_cast<std::uint8_t>(c) != requestHeaderByte) {
                ++skipped_;
                continue;
            }
            firstByteMs_ = nowMs;
        }
        frame_.push_back(c);
        if (frame_.size() >= requestFixedLength && frame_.size() == expectedLength(frame_)) {
            if (auto request = decodeRequest(frame_))
                result.requests.push_back(std::move(*request));
            frame_.clear();
        }
    }
    return result;
}

std::string buildResponse(const Request& request, std::uint16_t start,
                          const std::vector<std::uint16_t>& words) {
    std::string out;
    out.reserve(8 + 2 * words.size());
    out.push_back(static_cast<char>(responseHeaderByte));
    out.push_back(static_cast<char>(request.address[3]));
    out.push_back(static_cast<char>(request.address[0]));
    out.push_back(static_cast<char>(request.address[1]));
    out.push_back(static_cast<char>(request.address[2]));
    putBe16(out, start);
    out.push_back(static_cast<char>(words.size() & 0xFF));
    for (std::uint16_t w : words)
        putBe16(out, w);
    return out;
}

std::string Emission::allBytes() const {
    std::string out;
    for (const Chunk& c : chunks)
        out += c.bytes;
    return out;
}

std::string toHex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0x0F]);
    }
    return out;
}

std::int64_t wireTimeMs(std::size_t bytes, int baud) {
    if (baud <= 0)
        return 0;
    const std::int64_t bits = static_cast<std::int64_t>(bytes) * bitsPerByteOnWire;
    return (bits * 1000 + baud - 1) / baud;
}

std::int64_t byteTimeNs(int baud) {
    if (baud <= 0)
        return 0;
    return static_cast<std::int64_t>(bitsPerByteOnWire) * 1000000000LL / baud;
}

} // namespace devsim
