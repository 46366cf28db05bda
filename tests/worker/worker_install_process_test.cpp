// "-install" and "-uninstall" of the worker program against wine's own schtasks.exe.
#include <gtest/gtest.h>

#include "core/registry_text.h"
#include "tests/worker/worker_process.h"
#include "tests/worker/worker_test_support.h"

namespace {

constexpr DWORD kExitTimeoutMs = 15000;

std::wstring AccountName() {
  wchar_t name[300] = L"";
  DWORD size = 300;
  GetUserNameW(name, &size);
  return name;
}

// Where wine's Task Scheduler keeps the definition of a registered task.
std::wstring RegisteredTaskFile(const std::wstring& task_name) {
  wchar_t system[MAX_PATH] = L"";
  GetSystemDirectoryW(system, MAX_PATH);
  return std::wstring(system) + L"\\Tasks\\" + task_name;
}

class WorkerInstallTest : public testing::Test {
 protected:
  void TearDown() override {
    DeleteFileW(task_xml_.c_str());
    DeleteFileW(error_log_.c_str());
  }
  SavedRegistryValue params_{HKEY_CURRENT_USER, g_settings_key, L"Params"};
  SavedRegistryValue user_{HKEY_CURRENT_USER, g_settings_key, L"User"};
  SavedRegistryValue users_{HKEY_LOCAL_MACHINE, g_settings_key, L"Users"};
  const std::wstring task_xml_ = TestBinaryFolder() + L"\\task.xml";
  const std::wstring error_log_ = TestBinaryFolder() + L"\\error.log";
};

TEST_F(WorkerInstallTest, InstallAndUninstallThroughTheTaskScheduler) {
  const std::wstring task_file =
      RegisteredTaskFile(L"Orbenlake Tidewell Screensaver." + AccountName());
  DeleteValue(HKEY_LOCAL_MACHINE, g_settings_key, L"Users");
  {
    WorkerProcess install(L"-install");
    EXPECT_EQ(install.WaitForExit(kExitTimeoutMs), 0);
  }
  EXPECT_TRUE(WaitFor([&] { return FileExists(task_file); }, kExitTimeoutMs));
  std::vector<BYTE> xml = ReadFileBytes(task_xml_);
  ASSERT_GE(xml.size(), 2u);
  EXPECT_EQ(xml[0], 0xFF);
  EXPECT_EQ(xml[1], 0xFE);
  EXPECT_FALSE(FileExists(error_log_));
  wchar_t users[300] = L"";
  ReadRegistryText(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", users, 300);
  EXPECT_EQ(users, AccountName());

  {
    WorkerProcess uninstall(L"-uninstall");
    EXPECT_EQ(uninstall.WaitForExit(kExitTimeoutMs), 0);
  }
  EXPECT_TRUE(WaitFor([&] { return !FileExists(task_file); }, kExitTimeoutMs));
  EXPECT_EQ(ReadRegistryText(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", users, 300),
            ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(FileExists(task_xml_));  // left for the next ordinary start
}

TEST_F(WorkerInstallTest, OnlyTheExactCommandLinesAreMaintenance) {
  for (const wchar_t* arguments : {L"-install ", L"-INSTALL", L"-uninstall x"}) {
    CloseHandle(CreateFileW(task_xml_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                            nullptr));
    SetText(HKEY_CURRENT_USER, g_settings_key, L"Params", L"/p");  // ends at once
    WorkerProcess worker(arguments);
    EXPECT_EQ(worker.WaitForExit(kExitTimeoutMs), 0) << "arguments '" << arguments << "'";
    // The ordinary start: "task.xml" removed and the switches taken.
    EXPECT_FALSE(FileExists(task_xml_)) << "arguments '" << arguments << "'";
    wchar_t params[20] = L"";
    ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, L"Params", params, 20);
    EXPECT_STREQ(params, L"read");
  }
}

}  // namespace
