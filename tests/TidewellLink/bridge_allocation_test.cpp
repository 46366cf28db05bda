// The exports built into the test program itself, with the program's allocator counting
// (and, on request, failing) the allocations of the calling thread: what the exports
// allocate with the debug log off, and what a failed allocation leaves behind.

#include "TidewellLink/debug_log.h"
#include "TidewellLink/link_types.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#define TW_TEST_DECLARE_EXPORT(name, ordinal, result, params, args, fallback) \
  extern "C" result __stdcall name params;
TW_LINK_EXPORTS(TW_TEST_DECLARE_EXPORT)
#undef TW_TEST_DECLARE_EXPORT

namespace {
thread_local int t_allocations = 0;
thread_local int t_fail_at = 0;  // the allocation that fails; 0: none
}  // namespace

void* operator new(std::size_t size) {
  if (++t_allocations == t_fail_at) throw std::bad_alloc();
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

class BridgeAllocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The simulated engine is found by its bare name in the current directory.
    SetCurrentDirectoryW(ProgramSubdirectory().c_str());
  }
  void TearDown() override {
    g_debug_mode = DebugModeOff;
    DeleteFileW((TestProgramDirectory() + L"debug.log").c_str());
  }
  static int32_t Open() { return GetVolumeHandle(L"C:\\", nullptr, nullptr, 1); }
};

TEST_F(BridgeAllocationTest, WithTheLogOffExportsBuildNoMessages) {
  g_debug_mode = DebugModeOff;  // as decided for a process without the switch
  t_allocations = 0;
  CloseVolumeHandle(-1);
  CloseVolumeHandle(3);
  EXPECT_EQ(t_allocations, 0);

  // The eleventh open looks at every entry and finds none free.
  for (int32_t expected = 1; expected <= 10; ++expected) ASSERT_EQ(Open(), expected);
  t_allocations = 0;
  EXPECT_EQ(Open(), 0);
  EXPECT_EQ(t_allocations, 0);
  // Closing writes fixed lines only; giving the objects back frees, it does not allocate.
  for (int32_t handle = 1; handle <= 10; ++handle) CloseVolumeHandle(handle);
  EXPECT_EQ(t_allocations, 0);
}

TEST_F(BridgeAllocationTest, AFailedAllocationWhileOpeningLeavesEveryEntryUsable) {
  g_debug_mode = DebugModeOn;  // its lines add allocations between taking an entry and filling it
  for (int fail_at = 1;; ++fail_at) {
    ASSERT_LT(fail_at, 10000);
    SCOPED_TRACE(testing::Message() << "allocation " << fail_at << " fails");
    t_allocations = 0;
    t_fail_at = fail_at;
    const int32_t handle = Open();
    const bool failure_reached = t_allocations >= fail_at;
    t_fail_at = 0;
    if (handle != 0) CloseVolumeHandle(handle);
    const int32_t next = Open();
    EXPECT_EQ(next, 1);
    CloseVolumeHandle(next);
    if (!failure_reached || HasFailure()) break;  // every allocation of an open was tried
  }
}

}  // namespace
