#include "linux/sample_tail.h"

#include <algorithm>
#include <cstring>

void KeepLatestSamples(SampleTail& tail, const uint8_t* samples, size_t count) {
    if (count >= CaptureLength) {
        std::memcpy(tail.Samples, samples + count - CaptureLength, CaptureLength);
        tail.Fill = CaptureLength;
        return;
    }
    const size_t kept = CaptureLength - count;
    std::memmove(tail.Samples, tail.Samples + count, kept);
    std::memcpy(tail.Samples + kept, samples, count);
    tail.Fill = std::min<uint32_t>(CaptureLength, tail.Fill + static_cast<uint32_t>(count));
}
