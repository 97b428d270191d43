// Time as the pacer reads it: a performance counter with one fixed frequency that never runs
// backwards, Sleep that lets it advance, and the timer resolution request.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/platform/win32/fixture.h"

namespace novra {
namespace {

int64_t counter_now() {
    LARGE_INTEGER value{};
    EXPECT_TRUE(QueryPerformanceCounter(&value));
    return value.QuadPart;
}

TEST(Clock, CounterKeepsItsFrequencyAndNeverRunsBackwardsAcrossSleeps) {
    fixture_start(320, 240, 20, 5);
    LARGE_INTEGER first{}, second{};
    ASSERT_TRUE(QueryPerformanceFrequency(&first));
    ASSERT_TRUE(QueryPerformanceFrequency(&second));
    EXPECT_GT(first.QuadPart, 0);
    EXPECT_EQ(first.QuadPart, second.QuadPart);
    int64_t previous = counter_now();
    for (DWORD milliseconds : {0u, 1u, 0u, 2u, 5u}) {
        Sleep(milliseconds);
        int64_t now = counter_now();
        if (milliseconds > 0) {
            EXPECT_GT(now, previous) << "Sleep(" << milliseconds << ")";
        } else {
            EXPECT_GE(now, previous);
        }
        previous = now;
    }
}

TEST(Clock, TimerResolutionRequestRefusesZero) {
    fixture_start(320, 240, 20, 5);
    EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeBeginPeriod(0), TIMERR_NOCANDO);
}

}  // namespace
}  // namespace novra
