// References across the engine boundary, counted on the recording engine's objects: the
// bridge gives back exactly the references it takes on the volume and on the callback
// object, leaves the pointer the engine stored to the engine, and never counts the volume's
// exclusion list.

#include "tests/TidewellLink/bridge_library.h"
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
  RecordingEngine engine;
  ASSERT_TRUE(engine.Load());
  BridgeLibrary bridge;
  ASSERT_TRUE(bridge.Load());
  RecordedObjects* objects = engine.objects();

  for (bool counted : {false, true}) {
    SCOPED_TRACE(counted ? "engine counts the stored volume" : "engine does not count it");
    objects->counts_stored_volume = counted;
    const ULONG engines_own = counted ? 2 : 1;  // the engine's, and the stored pointer's
    const int32_t handle = bridge.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1);
    ASSERT_EQ(handle, 1);
    EXPECT_EQ(CountOf(objects->volume), engines_own + 1);  // the handle's own
    EXPECT_EQ(CountOf(objects->callback), 3u);             // the handle's and the engine's two

    // The list is used without taking or giving back a reference.
    EXPECT_EQ(bridge.SetExclusionList(handle, L"b\0c\0\0"), 1);
    EXPECT_STREQ(bridge.GetExclusionList(handle), L"x");
    EXPECT_EQ(CountOf(objects->list), 1u);

    bridge.CloseVolumeHandle(handle);
    // What the engine holds stays: an engine that does not count the stored pointer
    // still has a live volume.
    EXPECT_EQ(CountOf(objects->volume), engines_own);
    EXPECT_EQ(CountOf(objects->list), 1u);
    ASSERT_EQ(CountOf(objects->callback), 2u) << "the handle's reference was not given back once";
    objects->callback->Release();
    EXPECT_EQ(objects->callback->Release(), 0u);  // the last one: the object is gone
  }
}

}  // namespace
