// References across the engine boundary, counted by the counting engine: the bridge
// gives back exactly the references it takes on the volume and on the callback object,
// leaves the pointer the engine stored to the engine, and never counts the volume's
// exclusion list.

#include "tests/TidewellLink/bridge_library.h"
#include "tests/TidewellLink/counting_engine.h"
#include "tests/support/child_process.h"

namespace {

// The object's count now (one reference taken and given back to read it).
ULONG CountOf(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

TEST(BridgeReferences, VolumeAndCallbackGoBackAsOftenAsTakenAndTheListIsNeverCounted) {
  // The bridge keeps the engine it loaded for the life of the process.
  if (!RunsAloneOrDelegates("BridgeReferences.*")) return;
  BridgeLibrary bridge;
  ASSERT_TRUE(bridge.Load());
  // Loaded by full path first, so the bridge's load by bare name finds this module.
  const std::wstring directory = TestProgramDirectory() + L"counting_engine";
  HMODULE engine = LoadLibraryW((directory + L"\\Tidewell.dll").c_str());
  ASSERT_NE(engine, nullptr);
  CountingEngineProc counting_engine = nullptr;
  ASSERT_TRUE(Bind(engine, "CountingEngine", counting_engine));
  CountingEngineState* state = counting_engine();
  ASSERT_TRUE(SetCurrentDirectoryW(directory.c_str()));

  for (bool counted : {false, true}) {
    SCOPED_TRACE(counted ? "engine counts the stored volume" : "engine does not count it");
    state->counts_stored_volume = counted;
    const LONG engines_own = counted ? 2 : 1;  // the engine's, and the stored pointer's
    const int32_t handle = bridge.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1);
    ASSERT_EQ(handle, 1);
    EXPECT_EQ(state->volume_references, engines_own + 1);  // the handle's own
    ASSERT_NE(state->callback, nullptr);
    EXPECT_EQ(CountOf(state->callback), 3u);  // the handle's and the engine's two

    // The list is used without taking or giving back a reference.
    EXPECT_EQ(bridge.SetExclusionList(handle, L"b\0c\0\0"), 1);
    EXPECT_STREQ(bridge.GetExclusionList(handle), L"b");
    EXPECT_EQ(state->list_references, 1);

    bridge.CloseVolumeHandle(handle);
    // What the engine holds stays: an engine that does not count the stored pointer
    // still has a live volume.
    EXPECT_EQ(state->volume_references, engines_own);
    EXPECT_EQ(state->list_references, 1);
    ASSERT_EQ(CountOf(state->callback), 2u) << "the handle's reference was not given back once";
    state->callback->Release();
    EXPECT_EQ(state->callback->Release(), 0u);  // the last one: the object is gone
    state->callback = nullptr;
  }
}

}  // namespace
