#include "TidewellLink/fault_guard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

void TouchNowhere()
{
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

TEST(FaultGuard, FaultsExceptionsAndRaisesEndTheBodyHandlersInsideComeFirst)
{
    EXPECT_FALSE(RunGuarded([] { TouchNowhere(); }));
    EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("engine"); }));
    EXPECT_FALSE(RunGuarded([] { RaiseException(0xE0001234, 0, 0, nullptr); }));
    EXPECT_FALSE(RunGuarded([] { RaiseException(EXCEPTION_INT_DIVIDE_BY_ZERO, 0, 0, nullptr); }));

    // The body's own handlers and a nested guard stop theirs; the body goes on.
    int reached = 0;
    EXPECT_TRUE(RunGuarded([&] {
        try {
            throw 7;
        } catch (int value) {
            reached = value;
        }
        EXPECT_FALSE(RunGuarded([] { TouchNowhere(); }));
        reached += 1;
    }));
    EXPECT_EQ(reached, 8);
}

TEST(FaultGuard, RepeatedFaultsOnSeveralThreadsLeaveTheProcessWorking)
{
    auto hammer = [] {
        int stopped = 0;
        for (int i = 0; i < 300; ++i) stopped += RunGuarded([] { TouchNowhere(); }) ? 0 : 1;
        return stopped;
    };
    int other = 0;
    std::thread worker([&] { other = hammer(); });
    EXPECT_EQ(hammer(), 300);
    worker.join();
    EXPECT_EQ(other, 300);
    EXPECT_TRUE(RunGuarded([] {}));
}

}  // namespace
