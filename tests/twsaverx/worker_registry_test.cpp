#include <gtest/gtest.h>

#include "core/drive_list/registry_text.h"
#include "tests/twsaverx/worker_test_support.h"
#include "twsaverx/stored_switches.h"
#include "twsaverx/worker_registry.h"

namespace {

class WorkerRegistryTest : public testing::Test {
 protected:
  SettingsSandbox sandbox_;
};

const Bytes kNumberOne("\x01\0\0\0", 4);  // REG_DWORD 1

TEST_F(WorkerRegistryTest, SecureDesktopOnlyForTheTextOne) {
  const std::wstring room_text(100, L'1');
  const struct {
    const char* what;
    DWORD type;
    Bytes data;
    int secure;
    int failed;
  } cases[] = {
      {"1", REG_SZ, Utf16Bytes(L"1"), 1, 0},
      {"1 without terminator", REG_SZ, Utf16Bytes(L"1", false), 1, 0},
      {"1 and a blank", REG_SZ, Utf16Bytes(L"1 "), 0, 0},
      {"01", REG_SZ, Utf16Bytes(L"01"), 0, 0},
      {"true", REG_SZ, Utf16Bytes(L"true"), 0, 0},
      {"the number 1", REG_DWORD, kNumberOne, 0, 0},
      {"too long to read", REG_SZ, Utf16Bytes(std::wstring(150, L'1')), 0, 1},
      {"filling the room without terminator", REG_SZ, Utf16Bytes(room_text, false), 0, 0},
  };
  int failed = -1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetValue(HKEY_CURRENT_USER, L"Secure", c.type, c.data);
    LoadSecureFlag();
    EXPECT_EQ(use_secure_desktop, c.secure);
    worker_registry.RegValueEquals(g_settings_key, L"Secure", L"1", &failed);
    EXPECT_EQ(failed, c.failed);
  }
  // A value that fills the comparison room without a terminator ends at the room's end.
  SetValue(HKEY_CURRENT_USER, L"Secure", REG_SZ, Utf16Bytes(room_text, false));
  EXPECT_TRUE(worker_registry.RegValueEquals(g_settings_key, L"Secure", room_text.c_str()));
  EXPECT_FALSE(
      worker_registry.RegValueEquals(g_settings_key, L"Secure", (room_text + L"1").c_str()));
  DeleteValue(HKEY_CURRENT_USER, L"Secure");
  LoadSecureFlag();
  EXPECT_EQ(use_secure_desktop, 0);
  EXPECT_FALSE(worker_registry.RegValueEquals(g_settings_key, L"Secure", L"1", &failed));
  EXPECT_EQ(failed, 1);
  EXPECT_FALSE(
      worker_registry.RegValueEquals(L"Software\\Orbenlake\\NoSuchKey", L"Secure", L"1", &failed));
  EXPECT_EQ(failed, 1);
}

TEST_F(WorkerRegistryTest, StoredSwitchesAreTakenOnlyWhenTheyFitAndThenReadRead) {
  const std::wstring ninety_nine(99, L's');
  const std::wstring full_screen_in_room = L"/s" + std::wstring(98, L' ');
  const struct {
    const char* what;
    DWORD type;
    Bytes data;
    const wchar_t* taken;  // nullptr: not read, and the value stays as it was
  } cases[] = {
      {"/s", REG_SZ, Utf16Bytes(L"/s"), L"/s"},
      {"99 characters", REG_SZ, Utf16Bytes(ninety_nine), ninety_nine.c_str()},
      {"100 characters", REG_SZ, Utf16Bytes(L"/p " + std::wstring(97, L'7')), nullptr},
      {"150 characters", REG_SZ, Utf16Bytes(L"/p " + std::wstring(147, L'7')), nullptr},
      // Filling the room without a terminator: the text ends at the room's end.
      {"100 characters, no terminator", REG_SZ, Utf16Bytes(full_screen_in_room, false),
       full_screen_in_room.c_str()},
      {"101 characters, no terminator", REG_SZ, Utf16Bytes(std::wstring(101, L'9'), false),
       nullptr},
      {"a number, taken as text", REG_DWORD, kNumberOne, L"\x0001"},
  };
  wchar_t buffer[101];
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetValue(HKEY_CURRENT_USER, L"Params", c.type, c.data);
    buffer[100] = L'X';
    const LONG rc = worker_registry.TakeStoredCommandLine(100, buffer);
    EXPECT_EQ(buffer[100], L'X');
    DWORD type = 0;
    const std::optional<Bytes> after = RawValue(HKEY_CURRENT_USER, L"Params", &type);
    ASSERT_TRUE(after);
    if (c.taken != nullptr) {
      EXPECT_EQ(rc, ERROR_SUCCESS);
      EXPECT_EQ(std::wstring(buffer, wcsnlen(buffer, 100)), c.taken);
      EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
      EXPECT_EQ(*after, Utf16Bytes(L"read"));  // 10 bytes
    } else {
      EXPECT_NE(rc, ERROR_SUCCESS);
      EXPECT_STREQ(buffer, L"");
      EXPECT_EQ(*after, c.data);
    }
  }
  // The worker reads such a room as full-screen switches.
  SetValue(HKEY_CURRENT_USER, L"Params", REG_SZ, Utf16Bytes(full_screen_in_room, false));
  ASSERT_EQ(worker_registry.TakeStoredCommandLine(100, buffer), ERROR_SUCCESS);
  EXPECT_EQ(ParseStoredSwitches(buffer, 100).mode, FullScreenMode);

  DeleteValue(HKEY_CURRENT_USER, L"Params");
  EXPECT_NE(worker_registry.TakeStoredCommandLine(100, buffer), ERROR_SUCCESS);
  EXPECT_STREQ(buffer, L"");
  EXPECT_FALSE(RawValue(HKEY_CURRENT_USER, L"Params"));  // not created
}

TEST_F(WorkerRegistryTest, UserListKeepsEachExactNameOnce) {
  const struct {
    const wchar_t* before;  // nullptr: no "Users" value
    DWORD type;
    const wchar_t* name;
    const wchar_t* after;
  } cases[] = {
      {nullptr, REG_SZ, L"bob", L"bob"},
      {L"alice,bob", REG_SZ, L"bob", L"alice,bob"},
      {L"alice", REG_SZ, L"Alice", L"alice,Alice"},
      {L"alice,bobby", REG_SZ, L"bob", L"alice,bobby,bob"},
      // Another type is read as text too, not taken for a missing list.
      {L"alice,bob", REG_BINARY, L"carol", L"alice,bob,carol"},
      {L"alice", REG_MULTI_SZ, L"bob", L"alice,bob"},
  };
  for (const auto& c : cases) {
    if (c.before != nullptr) {
      SetValue(HKEY_LOCAL_MACHINE, L"Users", c.type, Utf16Bytes(c.before));
    } else {
      DeleteValue(HKEY_LOCAL_MACHINE, L"Users");
    }
    EXPECT_EQ(worker_registry.AddUserToList(c.name), ERROR_SUCCESS);
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, L"Users"), Utf16Bytes(c.after));  // REG_SZ bytes
  }
}

TEST_F(WorkerRegistryTest, ListsTooLongToReadBackAreLeftAlone) {
  // A list that can't be read is not replaced by a one-name list: that would orphan the
  // tasks of every other user it names.
  const std::wstring too_long(user_list_room + 10, L'u');
  SetText(HKEY_LOCAL_MACHINE, L"Users", too_long);
  EXPECT_NE(worker_registry.AddUserToList(L"bob"), ERROR_SUCCESS);
  EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, L"Users"), Utf16Bytes(too_long));
  // Nor is a list written that the uninstallation could no longer read.
  const std::wstring almost_full(user_list_room - 3, L'a');
  SetText(HKEY_LOCAL_MACHINE, L"Users", almost_full);
  EXPECT_EQ(worker_registry.AddUserToList(L"bob"), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, L"Users"), Utf16Bytes(almost_full));
  EXPECT_EQ(worker_registry.AddUserToList(L"b"), ERROR_SUCCESS);  // 16382 characters fit
  EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, L"Users"), Utf16Bytes(almost_full + L",b"));
}

}  // namespace
