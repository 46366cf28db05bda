// Test access to the built TidewellLink.dll and the simulated engine beside
// it (every export bound by name from the shared export list), and a fixture
// with both loaded. Each test runs in a process of its own, so the bridge's
// process-wide state is fresh.

#ifndef TIDEWELL_TESTS_BRIDGE_LIBRARY_H
#define TIDEWELL_TESTS_BRIDGE_LIBRARY_H

#include "TidewellLink/link_types.h"
#include "sim_engine/sim_control.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <string>

struct BridgeLibrary {
    HMODULE module = nullptr;
#define TW_TEST_BRIDGE_SLOT(name, ordinal, result, params, args, fallback) name##Proc name = nullptr;
    TW_LINK_EXPORTS(TW_TEST_BRIDGE_SLOT)
#undef TW_TEST_BRIDGE_SLOT

    // Loads the bridge by full path and binds all 58 names; false if any is missing.
    bool Load();
};

// The simulated engine, loaded by full path (the bridge's later load by bare
// name finds this module) and made fast.
struct SimEngine {
    HMODULE module = nullptr;
    TwSimConfigureProc configure = nullptr;
    TwSimQueryProc query = nullptr;

    bool Load();
    bool Set(const std::wstring& assignment) const { return configure(assignment.c_str()) == 1; }
    int64_t Query(const wchar_t* name) const { return query(name); }
};

// Every forwarding export (all but the two handle functions), called on
// handle with zero for its other arguments, answers its listed default.
void ExpectEveryExportAnswersItsDefault(const BridgeLibrary& bridge, int32_t handle);

template <class Done>
bool WaitFor(Done done, DWORD timeout_ms = 10000)
{
    return PumpMessagesUntil(done, timeout_ms);
}

class BridgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The hosts' current directory: the bridge finds "Tidewell.dll" there.
        SetCurrentDirectoryW(ProgramSubdirectory().c_str());
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

#endif
