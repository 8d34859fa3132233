#pragma once
// The one set of line parameters and protocol timings shared by the program,
// its tests and the device simulator.

namespace mop {

constexpr int lineBaudRate = 9600;    // 8 data bits, no parity, 1 stop bit
constexpr int bitsPerByteOnWire = 10; // start + 8 data + stop

constexpr unsigned responseTimeoutMs = 1600; // from the send to the complete answer
constexpr unsigned gapLimitMs = 40;          // longest pause inside one answer frame
constexpr unsigned preSendPauseMs = 5;       // before every attempt of an exchange
constexpr unsigned retryPauseMs = 1;         // between two attempts
constexpr int retriesPerExchange = 2;        // attempts = retries + 1

constexpr unsigned char requestHeader = 0x60;
constexpr unsigned char responseHeader = 0xE0;
constexpr unsigned char routingMarker = 0xEF;

constexpr int requestHeadLength = 11;
constexpr int maxWriteDataBytes = 120; // 60 registers
constexpr int frameBufferBytes = 300;

} // namespace mop
