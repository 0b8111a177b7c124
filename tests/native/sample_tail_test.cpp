#include <gtest/gtest.h>

#include <vector>

#include "linux/sample_tail.h"

namespace {

struct TailCase {
    const char* Name;
    std::vector<size_t> Fragments;  // sizes; samples are numbered 1, 2, 3, ... across them
    uint32_t Fill;
    uint8_t FirstKept;  // the number of the oldest sample kept
};

TEST(KeepLatestSamples, KeepsTheLastElevenAcrossFragmentsOfAnySize) {
    const TailCase cases[] = {
        {"one long fragment", {220}, 11, 210},
        {"small fragments, not yet eleven", {3, 4}, 7, 1},
        {"small fragments past eleven", {3, 4, 5, 6}, 11, 8},
        {"a long fragment after small ones", {5, 30}, 11, 25},
        {"exactly eleven", {11}, 11, 1},
    };
    for (const TailCase& c : cases) {
        SampleTail tail;
        uint8_t next = 1;
        for (size_t size : c.Fragments) {
            std::vector<uint8_t> fragment(size);
            for (uint8_t& sample : fragment) sample = next++;
            KeepLatestSamples(tail, fragment.data(), fragment.size());
        }
        EXPECT_EQ(tail.Fill, c.Fill) << c.Name;
        // The newest Fill samples sit at the end, oldest first.
        for (uint32_t i = 0; i < tail.Fill; ++i)
            EXPECT_EQ(tail.Samples[CaptureLength - tail.Fill + i], c.FirstKept + i) << c.Name << ", sample " << i;
    }
}

}  // namespace
