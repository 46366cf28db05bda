#include <gtest/gtest.h>

#include <algorithm>

#include "core/drive_list/registry_text.h"
#include "tests/support/test_support.h"
#include "tests/twsaverx/worker_test_support.h"
#include "twsaverx/error_log.h"
#include "twsaverx/task_definition.h"
#include "twsaverx/task_install.h"
#include "twsaverx/worker_paths.h"
#include "twsaverx/worker_registry.h"

namespace {

std::wstring DeleteCall(const std::wstring& account) {
  return L"/Delete /TN \"Orbenlake Tidewell Screensaver." + account + L"\" /F";
}

const Bytes kUtf8Bom = "\xEF\xBB\xBF";

// The task definition as the worker must register it, element by element; "{PATH}" is
// where the worker's path goes.
constexpr wchar_t kTaskDefinition[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
    L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
    L"  <RegistrationInfo>"
    L"    <Source>Orbenlake Software</Source>"
    L"    <Author>Orbenlake Software</Author>"
    L"  </RegistrationInfo>"
    L"  <Triggers />"
    L"  <Principals>"
    L"    <Principal id=\"Author\">"
    L"      <RunLevel>HighestAvailable</RunLevel>"
    L"    </Principal>"
    L"  </Principals>"
    L"  <Settings>"
    L"    <MultipleInstancesPolicy>Parallel</MultipleInstancesPolicy>"
    L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"
    L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"
    L"    <AllowHardTerminate>true</AllowHardTerminate>"
    L"    <StartWhenAvailable>false</StartWhenAvailable>"
    L"    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>"
    L"    <IdleSettings>"
    L"      <StopOnIdleEnd>true</StopOnIdleEnd>"
    L"      <RestartOnIdle>false</RestartOnIdle>"
    L"    </IdleSettings>"
    L"    <AllowStartOnDemand>true</AllowStartOnDemand>"
    L"    <Enabled>true</Enabled>"
    L"    <Hidden>false</Hidden>"
    L"    <RunOnlyIfIdle>false</RunOnlyIfIdle>"
    L"    <WakeToRun>false</WakeToRun>"
    L"    <ExecutionTimeLimit>P3D</ExecutionTimeLimit>"
    L"    <Priority>7</Priority>"
    L"  </Settings>"
    L"  <Actions Context=\"Author\">"
    L"    <Exec>"
    L"      <Command>\"{PATH}\"</Command>"
    L"    </Exec>"
    L"  </Actions>"
    L"</Task>";
static_assert(sizeof(kTaskDefinition) / sizeof(wchar_t) == 1213 + 1, "1213 characters");

// A scratch "SystemRoot" whose System32\schtasks.exe records each start in a file of its
// own, set for this process only (wine resets the variable for new processes).
class TaskInstallTest : public testing::Test {
 protected:
  TaskInstallTest() {
    CreateDirectoryW(root_.File(L"System32").c_str(), nullptr);
    const std::wstring recorder = TestProgramDirectory() + L"schtasks_recorder.exe";
    EXPECT_TRUE(CopyFileW(recorder.c_str(), ToolPath().c_str(), FALSE));
    GetEnvironmentVariableW(L"SystemRoot", saved_root_, MAX_PATH);
    SetEnvironmentVariableW(L"SystemRoot", root_.path().c_str());
  }
  ~TaskInstallTest() override { SetEnvironmentVariableW(L"SystemRoot", saved_root_); }

  std::wstring ToolPath() const { return root_.File(L"System32\\schtasks.exe"); }
  std::wstring WorkerPath() const { return worker_dir_.File(L"twsaverx.exe"); }

  // Waits for `count` starts and a little longer to see that no more come; returns their
  // parameters, sorted (the starts overlap), and forgets them.
  std::vector<std::wstring> TakeCalls(size_t count) {
    PumpMessagesUntil([&] { return Records().size() >= count; }, 15000);
    Sleep(count == 0 ? 1500 : 300);
    std::vector<std::wstring> calls;
    for (const std::wstring& record : Records()) {
      const Bytes bytes = ReadFileBytes(record);
      calls.emplace_back(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
      DeleteFileW(record.c_str());
    }
    std::sort(calls.begin(), calls.end());
    return calls;
  }

  SettingsSandbox sandbox_;
  ScratchFolder worker_dir_;

 private:
  std::vector<std::wstring> Records() const {
    std::vector<std::wstring> records;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(root_.File(L"System32\\call-*.rec").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return records;
    do records.push_back(root_.File(std::wstring(L"System32\\") + found.cFileName));
    while (FindNextFileW(search, &found));
    FindClose(search);
    return records;
  }

  ScratchFolder root_;
  wchar_t saved_root_[MAX_PATH] = L"";
};

TEST(WorkerPaths, LongNamesAreNotCutAndSchtasksHasAFallback) {
  const std::wstring deep = L"C:\\" + std::wstring(400, L'd');
  EXPECT_EQ(TaskXmlPathIn(DirectoryOf(deep + L"\\twsaverx.exe")), deep + L"\\task.xml");
  const std::wstring long_user(300, L'u');
  EXPECT_EQ(CreateTaskParameters(deep + L"\\task.xml", UserTaskName(long_user)),
            L"/Create /XML \"" + deep + L"\\task.xml\" /TN \"Orbenlake Tidewell Screensaver." +
                long_user + L"\"");

  wchar_t saved[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"SystemRoot", saved, MAX_PATH);
  SetEnvironmentVariableW(L"SystemRoot", L"Q:\\Win");
  EXPECT_EQ(SchtasksPath(), L"Q:\\Win\\System32\\schtasks.exe");
  SetEnvironmentVariableW(L"SystemRoot", nullptr);
  wchar_t system[MAX_PATH] = L"";
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_EQ(SchtasksPath(), std::wstring(system) + L"\\schtasks.exe");
  SetEnvironmentVariableW(L"SystemRoot", saved);
}

TEST(TaskDefinition, PathTakesThePlaceOfTheLastBraceAsXmlText) {
  const struct {
    const wchar_t* definition;
    const wchar_t* path;
    const wchar_t* filled;  // nullptr: no placeholder
  } cases[] = {
      {L"<C>\"{PATH}\"</C>", L"D:\\Tools\\twsaverx.exe", L"<C>\"D:\\Tools\\twsaverx.exe\"</C>"},
      {L"<C>\"{PATH}\"</C>", L"D:\\R&D\\<new>\\w.exe",
       L"<C>\"D:\\R&amp;D\\&lt;new&gt;\\w.exe\"</C>"},
      {L"{x}<C>{PATH}</C>", L"D:\\a&&b", L"{x}<C>D:\\a&amp;&amp;b</C>"},
      {L"<C>PATH</C>", L"D:\\w.exe", nullptr},
  };
  for (const auto& c : cases) {
    std::wstring filled = L"untouched";
    EXPECT_EQ(FillTaskDefinition(c.definition, c.path, &filled), c.filled != nullptr);
    EXPECT_EQ(filled, c.filled != nullptr ? c.filled : L"untouched");
  }
}

TEST_F(TaskInstallTest, InstallWritesTaskXmlRecordsTheUserAndStartsSchtasksTwice) {
  CreateDirectoryW(worker_dir_.File(L"A&B").c_str(), nullptr);
  const std::wstring worker = worker_dir_.File(L"A&B\\twsaverx.exe");
  const std::wstring xml_path = worker_dir_.File(L"A&B\\task.xml");
  const std::wstring account = AccountName();
  DeleteValue(HKEY_LOCAL_MACHINE, L"Users");
  for (int run = 0; run < 2; ++run) {  // installing twice records the user once
    InstallTaskFor(worker, task_definition_text);
    // The path is XML text: its '&' is written as an entity, or the file is not XML.
    std::wstring expected_text = kTaskDefinition;
    expected_text.replace(expected_text.find(L"{PATH}"), 6,
                          worker_dir_.File(L"A&amp;B\\twsaverx.exe"));
    EXPECT_EQ(ReadFileBytes(xml_path), "\xFF\xFE" + Utf16Bytes(expected_text, false));
    EXPECT_EQ(TakeCalls(2), (std::vector<std::wstring>{
                                L"/Create /XML \"" + xml_path +
                                    L"\" /TN \"Orbenlake Tidewell Screensaver." + account + L"\"",
                                L"/Delete /TN \"Orbenlake Tidewell Screensaver\" /F"}));
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, L"Users"), Utf16Bytes(account));
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, L"User"), Utf16Bytes(account));
  }
  EXPECT_FALSE(FileExists(worker_dir_.File(L"A&B\\error.log")));
}

TEST_F(TaskInstallTest, UninstallDeletesTheTaskOfEveryListedUserThenTheList) {
  const std::wstring too_long(user_list_room + 1, L'x');
  const struct {
    const wchar_t* users;  // nullptr: no list
    DWORD type;
    std::vector<std::wstring> calls;
  } cases[] = {
      {L"alice,bob", REG_SZ, {DeleteCall(L"alice"), DeleteCall(L"bob")}},
      {L",bob,,", REG_SZ, {DeleteCall(L""), DeleteCall(L""), DeleteCall(L"bob")}},
      {nullptr, REG_SZ, {}},
      // unreadable: nothing started, and kept so its tasks stay removable
      {too_long.c_str(), REG_SZ, {}},
      {L"alice,bob", REG_BINARY, {DeleteCall(L"alice"), DeleteCall(L"bob")}},  // read as text
  };
  for (const auto& c : cases) {
    DeleteValue(HKEY_LOCAL_MACHINE, L"Users");
    if (c.users != nullptr) SetValue(HKEY_LOCAL_MACHINE, L"Users", c.type, Utf16Bytes(c.users));
    UninstallTasks();
    EXPECT_EQ(TakeCalls(c.calls.size()), c.calls);
    EXPECT_EQ(
        RawValue(HKEY_LOCAL_MACHINE, L"Users"),
        c.users == too_long.c_str() ? std::optional<Bytes>(Utf16Bytes(too_long)) : std::nullopt);
  }
}

TEST_F(TaskInstallTest, EachFailureEndsTheInstallationWithItsLogLine) {
  const std::wstring xml = worker_dir_.File(L"task.xml");
  InstallTaskFor(WorkerPath(), L"<Task />");  // no placeholder: no task.xml, no start
  EXPECT_FALSE(FileExists(xml));
  EXPECT_TRUE(TakeCalls(0).empty());
  CreateDirectoryW(xml.c_str(), nullptr);  // a folder in the way of task.xml: no start
  InstallTaskFor(WorkerPath(), task_definition_text);
  EXPECT_TRUE(TakeCalls(0).empty());
  RemoveDirectoryW(xml.c_str());
  DeleteFileW(ToolPath().c_str());  // schtasks.exe can't be started: task.xml stays
  InstallTaskFor(WorkerPath(), task_definition_text);
  EXPECT_TRUE(FileExists(xml));
  EXPECT_EQ(ReadFileBytes(worker_dir_.File(L"error.log")),
            kUtf8Bom +
                "ERROR: Could not locate substring '{PATH}' in task XML.\r\n"
                "ERROR: Could not open task XML for writing.\r\n"
                "ERROR: Could not execute 'schtasks.exe'.\r\n");
}

TEST_F(TaskInstallTest, AUserListThatCannotTakeTheUserIsLoggedAndTheTaskStillMade) {
  // One list too long to read, one that the name would take past its room.
  const std::wstring lists[] = {std::wstring(user_list_room + 10, L'u'),
                                std::wstring(user_list_room - 3, L'a')};
  const Bytes line =
      "ERROR: Could not record the user in the 'Users' list; uninstalling will not remove this "
      "task.\r\n";
  for (const std::wstring& list : lists) {
    SetText(HKEY_LOCAL_MACHINE, L"Users", list);
    InstallTaskFor(WorkerPath(), task_definition_text);
    EXPECT_EQ(TakeCalls(2).size(), 2u);
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, L"Users"), Utf16Bytes(list));
  }
  EXPECT_EQ(ReadFileBytes(worker_dir_.File(L"error.log")), kUtf8Bom + line + line);
}

TEST(ErrorLog, ByteOrderMarkOnlyOnANewFileAndCrLfLines) {
  ScratchFolder folder;
  const std::wstring log = folder.File(L"error.log");
  WriteErrorLog(log, L"ERROR: GetUserName");
  WriteErrorLog(log, L"caf\u00e9 \u20ac");
  EXPECT_EQ(ReadFileBytes(log), kUtf8Bom + "ERROR: GetUserName\r\ncaf\xC3\xA9 \xE2\x82\xAC\r\n");
  const std::wstring empty = folder.File(L"empty.log");  // an empty file counts as new
  CloseHandle(CreateFileW(empty.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  WriteErrorLog(empty, L"x");
  EXPECT_EQ(ReadFileBytes(empty), kUtf8Bom + "x\r\n");
}

}  // namespace
