#pragma once
// The line's floor of a command's exchanges, for the benchmarks of the file
// commands: what the requests and answers need at the line's speed plus the
// program's fixed pauses, and the targets those commands are held to.

#include "Reference.h"

#include "link/LineSettings.h"

#include <cstdio>

namespace linefloor {

constexpr double kRatioTarget = 1.05;
constexpr double kCpuTargetPercent = 5.0;

inline void PrintWire(int requestBytes, int answerBytes, double wireMs) {
    std::printf("  wire            %d + %d = %d bytes x %d bits / %d baud = %.1f ms\n",
                requestBytes, answerBytes, requestBytes + answerBytes, mop::bitsPerByteOnWire,
                mop::lineBaudRate, wireMs);
}

// The median run against the line's floor and the ratio target.
inline void PrintMedianRatio(double wallMs, double floorMs) {
    const double ratio = wallMs / floorMs;
    std::printf("  median          wall %.1f ms, floor %.1f ms\n", wallMs, floorMs);
    std::printf("  ratio           %.3f (target <= %.2f) %s\n", ratio, kRatioTarget,
                bench::Verdict(ratio <= kRatioTarget));
}

} // namespace linefloor
