// Test access to the built TidewellLink.dll and the simulated engine beside it:
// every export bound by name (from the shared export list) and the simulated
// engine's control functions.

#ifndef TIDEWELL_TESTS_BRIDGE_LIBRARY_H
#define TIDEWELL_TESTS_BRIDGE_LIBRARY_H

#include "TidewellLink/link_types.h"
#include "sim_engine/sim_control.h"

#include <string>

// "<test exe dir>\Orbenlake Tidewell ScreenSaver\" (both DLLs live there).
std::wstring ProgramSubdirectory();
std::wstring ExecutableDirectory();

struct BridgeLibrary {
    HMODULE module = nullptr;
#define TW_TEST_BRIDGE_SLOT(name, ordinal, result, params, args, fallback) name##Proc name = nullptr;
    TW_LINK_EXPORTS(TW_TEST_BRIDGE_SLOT)
#undef TW_TEST_BRIDGE_SLOT

    // Loads the bridge by full path and binds all 58 names; false if any is missing.
    bool Load();
};

struct SimEngine {
    HMODULE module = nullptr;
    TwSimConfigureProc configure = nullptr;
    TwSimQueryProc query = nullptr;
    TwSimQueryTextProc query_text = nullptr;

    // Loads the simulated engine by full path (the bridge's later load by bare
    // name then finds this module) and makes it fast.
    bool Load();
    bool Set(const std::wstring& assignment) const { return configure(assignment.c_str()) == 1; }
    int64_t Query(const wchar_t* name) const { return query(name); }
    std::wstring QueryText(const wchar_t* name) const;
};

// Makes the program subdirectory the current directory, as the hosts do, so
// the bridge finds "Tidewell.dll" by bare name.
void EnterProgramSubdirectory();

// Polls until predicate() holds or timeout_ms passes; answers predicate().
template <class Predicate>
bool WaitFor(Predicate predicate, int timeout_ms = 5000)
{
    DWORD start = GetTickCount();
    while (!predicate()) {
        if (GetTickCount() - start > static_cast<DWORD>(timeout_ms)) return predicate();
        Sleep(2);
    }
    return true;
}

#endif
