// A test with the built bridge and the simulated engine loaded (each test
// runs in a process of its own, so the bridge's process-wide state is fresh).

#ifndef TIDEWELL_TESTS_BRIDGE_FIXTURE_H
#define TIDEWELL_TESTS_BRIDGE_FIXTURE_H

#include "tests/bridge/bridge_library.h"

#include <gtest/gtest.h>

#include <type_traits>

class BridgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnterProgramSubdirectory();
        ASSERT_TRUE(sim.Load());
        ASSERT_TRUE(bridge.Load());
    }

    int32_t Open(const wchar_t* drive = L"C:\\")
    {
        return bridge.GetVolumeHandle(drive, nullptr, nullptr, 1);
    }

    BridgeLibrary bridge;
    SimEngine sim;
};

// Calls an export with the handle and zero for every other argument.
template <class R, class First, class... Rest>
R CallWithHandle(R (*proc)(First, Rest...), int32_t handle)
{
    if constexpr (std::is_same<First, int32_t>::value)
        return proc(handle, Rest()...);
    else
        return proc(First(), Rest()...);
}

// Every forwarding export (all but the two handle functions), called on handle, answers the default of
// the shared export list.
void ExpectEveryExportAnswersItsDefault(const BridgeLibrary& bridge, int32_t handle);

#endif
