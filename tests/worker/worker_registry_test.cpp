#include <gtest/gtest.h>

#include "core/registry_text.h"
#include "tests/worker/worker_test_support.h"
#include "twsaverx/user_list.h"
#include "twsaverx/worker_registry.h"

namespace {

class WorkerRegistryTest : public testing::Test {
 protected:
  SavedRegistryValue params_{HKEY_CURRENT_USER, g_settings_key, L"Params"};
  SavedRegistryValue secure_{HKEY_CURRENT_USER, g_settings_key, L"Secure"};
  SavedRegistryValue user_{HKEY_CURRENT_USER, g_settings_key, L"User"};
  SavedRegistryValue users_{HKEY_LOCAL_MACHINE, g_settings_key, L"Users"};

  std::wstring Users() {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!GetRawValue(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", &type, &data)) return L"<none>";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_GE(data.size(), 2u);
    EXPECT_EQ(data[data.size() - 1], 0);  // written with its terminator, nothing more
    EXPECT_EQ(data[data.size() - 2], 0);
    return std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2 - 1);
  }
};

TEST(UserList, EntriesBetweenCommas) {
  EXPECT_EQ(SplitUserList(L""), std::vector<std::wstring>{});
  EXPECT_EQ(SplitUserList(L"alice,bob"), (std::vector<std::wstring>{L"alice", L"bob"}));
  EXPECT_EQ(SplitUserList(L",bob,,"), (std::vector<std::wstring>{L"", L"bob", L""}));
  EXPECT_TRUE(UserListContains(L"alice,bob", L"bob"));
  EXPECT_FALSE(UserListContains(L"alice,bobby", L"bob"));
  EXPECT_FALSE(UserListContains(L"alice", L"Alice"));
  EXPECT_EQ(AppendToUserList(L"", L"bob"), L"bob");
  EXPECT_EQ(AppendToUserList(L"alice", L"Alice"), L"alice,Alice");
}

TEST_F(WorkerRegistryTest, SecureFlagOnlyForTheTextOne) {
  const struct {
    const wchar_t* text;
    int expected;
  } cases[] = {{L"1", 1}, {L"1 ", 0}, {L"01", 0}, {L"true", 0}};
  for (const auto& c : cases) {
    SetText(HKEY_CURRENT_USER, g_settings_key, L"Secure", c.text);
    LoadSecureFlag();
    EXPECT_EQ(use_secure_desktop, c.expected) << "Secure = '" << c.text << "'";
  }
  DWORD one = 1;
  SetRawValue(HKEY_CURRENT_USER, g_settings_key, L"Secure", REG_DWORD, &one, sizeof(one));
  LoadSecureFlag();
  EXPECT_EQ(use_secure_desktop, 0);
  DeleteValue(HKEY_CURRENT_USER, g_settings_key, L"Secure");
  LoadSecureFlag();
  EXPECT_EQ(use_secure_desktop, 0);
  // "1" stored without a terminator is still read within its length.
  const wchar_t unterminated_one = L'1';
  SetRawValue(HKEY_CURRENT_USER, g_settings_key, L"Secure", REG_SZ, &unterminated_one, 2);
  LoadSecureFlag();
  EXPECT_EQ(use_secure_desktop, 1);
}

TEST_F(WorkerRegistryTest, RegValueEqualsReportsReadFailures) {
  int failed = -1;
  DeleteValue(HKEY_CURRENT_USER, g_settings_key, L"Secure");
  EXPECT_FALSE(worker_registry.RegValueEquals(g_settings_key, L"Secure", L"1", &failed));
  EXPECT_EQ(failed, 1);
  SetText(HKEY_CURRENT_USER, g_settings_key, L"Secure", L"2");
  EXPECT_FALSE(worker_registry.RegValueEquals(g_settings_key, L"Secure", L"1", &failed));
  EXPECT_EQ(failed, 0);
  SetText(HKEY_CURRENT_USER, g_settings_key, L"Secure", std::wstring(150, L'1'));
  EXPECT_FALSE(worker_registry.RegValueEquals(g_settings_key, L"Secure", L"1", &failed));
  EXPECT_EQ(failed, 1);
  EXPECT_FALSE(worker_registry.RegValueEquals(L"Software\\Orbenlake\\NoSuchKey", L"Secure", L"1",
                                              &failed));
  EXPECT_EQ(failed, 1);
}

TEST_F(WorkerRegistryTest, TakeStoredCommandLineLeavesRead) {
  wchar_t buffer[100];
  DeleteValue(HKEY_CURRENT_USER, g_settings_key, L"Params");
  EXPECT_NE(worker_registry.TakeStoredCommandLine(100, buffer), ERROR_SUCCESS);
  EXPECT_STREQ(buffer, L"");
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_FALSE(GetRawValue(HKEY_CURRENT_USER, g_settings_key, L"Params", &type, &data));

  SetText(HKEY_CURRENT_USER, g_settings_key, L"Params", L"/s");
  EXPECT_EQ(worker_registry.TakeStoredCommandLine(100, buffer), ERROR_SUCCESS);
  EXPECT_STREQ(buffer, L"/s");
  ASSERT_TRUE(GetRawValue(HKEY_CURRENT_USER, g_settings_key, L"Params", &type, &data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(data, TextBytesWithTerminator(L"read"));  // 10 bytes
}

TEST_F(WorkerRegistryTest, TooLongParamsIsNotReadAndKeepsItsText) {
  wchar_t buffer[100];
  for (size_t length : {100u, 150u}) {
    const std::wstring long_text = L"/p " + std::wstring(length - 3, L'7');
    SetText(HKEY_CURRENT_USER, g_settings_key, L"Params", long_text);
    EXPECT_NE(worker_registry.TakeStoredCommandLine(100, buffer), ERROR_SUCCESS);
    EXPECT_STREQ(buffer, L"");
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(GetRawValue(HKEY_CURRENT_USER, g_settings_key, L"Params", &type, &data));
    EXPECT_EQ(data, TextBytesWithTerminator(long_text));
  }
  SetText(HKEY_CURRENT_USER, g_settings_key, L"Params", std::wstring(99, L's'));
  EXPECT_EQ(worker_registry.TakeStoredCommandLine(100, buffer), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(buffer), std::wstring(99, L's'));
}

TEST_F(WorkerRegistryTest, UnterminatedFullParamsIsTooLongAndKeepsItsText) {
  // 100 characters without a terminator fill the room and leave none for the terminator:
  // like any value over 99 characters it is not read, and it stays as it was.
  std::vector<wchar_t> full(100, L'9');
  full[0] = L'/';
  full[1] = L'p';
  SetRawValue(HKEY_CURRENT_USER, g_settings_key, L"Params", REG_SZ, full.data(), 200);
  wchar_t buffer[101];
  buffer[100] = L'X';
  EXPECT_NE(worker_registry.TakeStoredCommandLine(100, buffer), ERROR_SUCCESS);
  EXPECT_STREQ(buffer, L"");
  EXPECT_EQ(buffer[100], L'X');
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(GetRawValue(HKEY_CURRENT_USER, g_settings_key, L"Params", &type, &data));
  EXPECT_EQ(data.size(), 200u);
}

TEST_F(WorkerRegistryTest, StoreUserKeepsEachNameOnce) {
  DeleteValue(HKEY_LOCAL_MACHINE, g_settings_key, L"Users");
  worker_registry.StoreUser(L"bob");
  EXPECT_EQ(Users(), L"bob");
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(GetRawValue(HKEY_CURRENT_USER, g_settings_key, L"User", &type, &data));
  EXPECT_EQ(data, TextBytesWithTerminator(L"bob"));
  worker_registry.StoreUser(L"bob");
  EXPECT_EQ(Users(), L"bob");

  SetText(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", L"alice,bob");
  EXPECT_EQ(worker_registry.AddUserToList(L"bob"), ERROR_SUCCESS);
  EXPECT_EQ(Users(), L"alice,bob");
  SetText(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", L"alice");
  worker_registry.AddUserToList(L"Alice");
  EXPECT_EQ(Users(), L"alice,Alice");
}

TEST_F(WorkerRegistryTest, UnreadableUserListIsNeverOverwritten) {
  // Longer than the list room: reading it fails, and writing a one-name list over it
  // would lose every other user's task.
  const std::wstring long_list = std::wstring(user_list_room + 10, L'u');
  SetText(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", long_list);
  EXPECT_NE(worker_registry.AddUserToList(L"bob"), ERROR_SUCCESS);
  EXPECT_EQ(Users(), long_list);
}

TEST_F(WorkerRegistryTest, ListThatWouldNoLongerBeReadableIsNotWritten) {
  const std::wstring almost_full = std::wstring(user_list_room - 3, L'a');
  SetText(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", almost_full);
  EXPECT_EQ(worker_registry.AddUserToList(L"bob"), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(Users(), almost_full);
  EXPECT_EQ(worker_registry.AddUserToList(L"b"), ERROR_SUCCESS);  // 16382 characters fit
  EXPECT_EQ(Users(), almost_full + L",b");
}

}  // namespace
