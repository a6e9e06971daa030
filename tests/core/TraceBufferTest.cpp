#include "core/TraceBuffer.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

using namespace ryvo;

// The ring must read back exactly like a list that shifts every entry down on each sample.
TEST(TraceBuffer, BehavesLikeShiftingList) {
    auto buffer = std::make_unique<TraceBuffer>();
    std::deque<TracePoint> model(kTraceEntries, TracePoint{});
    std::mt19937 rng(7);
    for (int n = 0; n < 25000; ++n) {
        const TracePoint p{static_cast<float>(rng() % 1000), static_cast<float>(n),
                           static_cast<std::int32_t>(n)};
        buffer->Push(p);
        model.push_front(p);
        model.pop_back();
        if (n % 4999 == 0 || n == 24999) {
            for (int i = 0; i < kTraceEntries; i += 97) {
                ASSERT_EQ(buffer->At(i).level, model[static_cast<size_t>(i)].level)
                    << n << " " << i;
            }
            ASSERT_EQ(buffer->At(kTraceEntries - 1).level, model.back().level);
        }
    }
    buffer->At(3).level = -5; // entries can be edited in place
    EXPECT_EQ(buffer->At(3).level, -5);
    buffer->Fill({-10000.0F, -10000.0F, 0});
    EXPECT_EQ(buffer->At(0).x, -10000.0F);
    EXPECT_EQ(buffer->At(9999).level, 0);
}
