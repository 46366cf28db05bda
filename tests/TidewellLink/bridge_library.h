// The built TidewellLink.dll with every export bound by name from the shared
// export list, the simulated engine beside it, and a fixture with both loaded.
// Each test runs in a process of its own, so the bridge's state is fresh.

#pragma once

#include "TidewellLink/link_types.h"
#include "sim_engine/sim_control.h"
#include "tests/TidewellLink/recording_engine.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <string>

template <class Proc>
bool Bind(HMODULE module, const char* name, Proc& slot) {
  slot = reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return slot != nullptr;
}

struct BridgeLibrary {
#define TW_TEST_BRIDGE_SLOT(name, ordinal, result, params, args, fallback) \
  name##Proc name = nullptr;
  TW_LINK_EXPORTS(TW_TEST_BRIDGE_SLOT)
#undef TW_TEST_BRIDGE_SLOT
  HMODULE module = nullptr;

  // Loads the bridge from directory and binds all 58 names; false if any is missing.
  bool Load(const std::wstring& directory = ProgramSubdirectory()) {
    bool all = (module = LoadLibraryW((directory + L"\\TidewellLink.dll").c_str())) != nullptr;
#define TW_TEST_BRIDGE_BIND(name, ordinal, result, params, args, fallback) \
  all = all && Bind(module, #name, name);
    TW_LINK_EXPORTS(TW_TEST_BRIDGE_BIND)
#undef TW_TEST_BRIDGE_BIND
    return all;
  }
};

// The simulated engine, loaded by full path (the bridge's later load by bare
// name finds this module), cleared of an earlier test's settings and made fast.
struct SimEngine {
  TwSimConfigureProc configure = nullptr;
  TwSimQueryProc query = nullptr;

  bool Load() {
    HMODULE module = LoadLibraryW((ProgramSubdirectory() + L"\\Tidewell.dll").c_str());
    return module && Bind(module, "TwSimConfigure", configure) &&
           Bind(module, "TwSimQuery", query) && Set(L"TW_SIM_RESET=1") && Set(L"TW_SIM_SPEED=fast");
  }
  bool Set(const std::wstring& assignment) const { return configure(assignment.c_str()) == 1; }
  int64_t Query(const wchar_t* name) const { return query(name); }
};

// The recording engine, loaded by full path from its own folder, which becomes the hosts'
// current directory: the bridge's load by bare name then finds this module.
struct RecordingEngine {
  TwRecTakeCallsProc take = nullptr;
  TwRecFailProc fail = nullptr;
  TwRecObjectsProc objects = nullptr;
  TwRecTextsProc texts = nullptr;

  bool Load() {
    const std::wstring directory = TestProgramDirectory() + L"recording_engine";
    HMODULE module = LoadLibraryW((directory + L"\\Tidewell.dll").c_str());
    return module && Bind(module, "TwRecTakeCalls", take) && Bind(module, "TwRecFail", fail) &&
           Bind(module, "TwRecObjects", objects) && Bind(module, "TwRecTexts", texts) &&
           SetCurrentDirectoryW(directory.c_str());
  }
};

// Every forwarding export (all but the two handle functions), called on
// handle with zero for its other arguments, answers its listed default.
template <class R, class... Rest, class Fallback>
void ExpectDefault(R(__stdcall* proc)(int32_t, Rest...), const char* name, int32_t handle,
                   Fallback fallback) {
  if constexpr (!std::is_void<R>::value) {
    EXPECT_EQ(proc(handle, Rest()...), static_cast<R>(fallback()))
        << name << " on handle " << handle;
  }
}
template <class Fallback>
void ExpectDefault(GetVolumeHandleProc, const char*, int32_t, Fallback) {}

inline void ExpectEveryExportAnswersItsDefault(const BridgeLibrary& bridge, int32_t handle) {
#define TW_TEST_EXPECT_DEFAULT(name, ordinal, result, params, args, fallback) \
  ExpectDefault(bridge.name, #name, handle, [] { return fallback; });
  TW_LINK_EXPORTS(TW_TEST_EXPECT_DEFAULT)
#undef TW_TEST_EXPECT_DEFAULT
}

inline bool WaitFor(const std::function<bool()>& done, DWORD timeout_ms = 10000) {
  return PumpMessagesUntil(done, timeout_ms);
}

class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The hosts' current directory: the bridge finds "Tidewell.dll" there.
    SetCurrentDirectoryW(ProgramSubdirectory().c_str());
    ASSERT_TRUE(sim.Load());
    ASSERT_TRUE(bridge.Load());
  }
  // The bridge stays loaded for the whole process: what a test left open is closed, so
  // that the next test finds every handle free.
  void TearDown() override {
    for (int32_t handle = 1; handle <= 10; ++handle) bridge.CloseVolumeHandle(handle);
  }
  int32_t Open(const wchar_t* drive = L"C:\\", ProgressCallback progress = nullptr,
               ClusterRangeCallback clusters = nullptr) {
    return bridge.GetVolumeHandle(drive, progress, clusters, 1);
  }

  BridgeLibrary bridge;
  SimEngine sim;
};
