#include <gtest/gtest.h>

#include <algorithm>

#include "core/registry_text.h"
#include "tests/worker/worker_test_support.h"
#include "twsaverx/error_log.h"
#include "twsaverx/task_definition.h"
#include "twsaverx/task_install.h"
#include "twsaverx/worker_paths.h"
#include "twsaverx/worker_registry.h"

namespace {

std::wstring AccountName() {
  wchar_t name[300] = L"";
  DWORD size = 300;
  GetUserNameW(name, &size);
  return name;
}

// A scratch "SystemRoot" whose System32\schtasks.exe records each start, set for this
// process only (wine resets the variable for new processes, so the worker's own process
// tests can't use it).
class RecordingSchtasks {
 public:
  RecordingSchtasks() {
    CreateDirectoryW(root_.File(L"System32").c_str(), nullptr);
    const std::wstring recorder = TestBinaryFolder() + L"\\schtasks_recorder.exe";
    EXPECT_TRUE(CopyFileW(recorder.c_str(), ToolPath().c_str(), FALSE));
    saved_ = ReadVariable();
    SetEnvironmentVariableW(L"SystemRoot", root_.path().c_str());
  }
  ~RecordingSchtasks() { SetEnvironmentVariableW(L"SystemRoot", saved_.c_str()); }

  std::wstring ToolPath() const { return root_.File(L"System32\\schtasks.exe"); }
  const std::wstring& root() const { return root_.path(); }

  // The parameters of every recorded start, sorted (the starts overlap).
  std::vector<std::wstring> Calls() const {
    std::vector<std::wstring> calls;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(root_.File(L"System32\\call-*.rec").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return calls;
    do {
      std::vector<BYTE> bytes =
          ReadFileBytes(root_.File(L"System32\\") + std::wstring(found.cFileName));
      calls.emplace_back(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(calls.begin(), calls.end());
    return calls;
  }

  // Waits for `count` starts, then a little longer to see that no more come.
  std::vector<std::wstring> WaitForCalls(size_t count) const {
    WaitFor([&] { return Calls().size() >= count; }, 15000);
    Sleep(count == 0 ? 1500 : 300);
    return Calls();
  }

 private:
  static std::wstring ReadVariable() {
    wchar_t value[MAX_PATH * 2] = L"";
    GetEnvironmentVariableW(L"SystemRoot", value, MAX_PATH * 2);
    return value;
  }
  ScratchFolder root_;
  std::wstring saved_;
};

class TaskInstallTest : public testing::Test {
 protected:
  SavedRegistryValue user_{HKEY_CURRENT_USER, g_settings_key, L"User"};
  SavedRegistryValue users_{HKEY_LOCAL_MACHINE, g_settings_key, L"Users"};
  ScratchFolder worker_dir_;
  RecordingSchtasks schtasks_;

  std::wstring WorkerPath() const { return worker_dir_.File(L"twsaverx.exe"); }
  std::wstring ErrorLog() const { return worker_dir_.File(L"error.log"); }
};

const std::vector<BYTE> kBom = {0xEF, 0xBB, 0xBF};

std::vector<BYTE> Utf8Line(const std::string& text) {
  std::vector<BYTE> bytes(text.begin(), text.end());
  bytes.push_back('\r');
  bytes.push_back('\n');
  return bytes;
}

std::vector<BYTE> Concat(std::vector<BYTE> a, const std::vector<BYTE>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(TaskDefinition, CommandHoldsTheQuotedPlaceholderOnce) {
  const std::wstring text = task_definition_text;
  EXPECT_EQ(text.size(), 1213u);
  const size_t command = text.find(L"<Command>\"{PATH}\"</Command>");
  ASSERT_NE(command, std::wstring::npos);
  EXPECT_EQ(text.find(L'{'), command + 10);
  EXPECT_EQ(text.rfind(L'{'), command + 10);
  EXPECT_EQ(text.find(L'\n'), std::wstring::npos);
  EXPECT_EQ(text.find(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><Task version=\"1.2\" "), 0u);
}

TEST(TaskDefinition, PlaceholderReplacedByThePathUnchanged) {
  std::wstring filled;
  ASSERT_TRUE(FillTaskDefinition(task_definition_text, L"D:\\A&B <x>\\twsaverx.exe", &filled));
  EXPECT_NE(filled.find(L"<Command>\"D:\\A&B <x>\\twsaverx.exe\"</Command>    </Exec>"),
            std::wstring::npos);
  EXPECT_EQ(filled.size(), 1213u - 6 + 23);
  EXPECT_FALSE(FillTaskDefinition(L"<Task>no placeholder</Task>", L"C:\\w.exe", &filled));
  ASSERT_TRUE(FillTaskDefinition(L"ab{PA", L"X", &filled));  // a cut placeholder at the end
  EXPECT_EQ(filled, L"abX");
}

TEST(TaskParameters, CreateAndDeleteTexts) {
  EXPECT_EQ(CreateTaskParameters(L"D:\\Tools\\task.xml", UserTaskName(L"bob")),
            L"/Create /XML \"D:\\Tools\\task.xml\" /TN \"Orbenlake Tidewell Screensaver.bob\"");
  EXPECT_EQ(DeleteTaskParameters(task_name_base),
            L"/Delete /TN \"Orbenlake Tidewell Screensaver\" /F");
  EXPECT_EQ(UserTaskName(L""), L"Orbenlake Tidewell Screensaver.");
}

TEST(WorkerPaths, LongPathsAreNotCut) {
  const std::wstring deep = L"C:\\" + std::wstring(400, L'd');
  EXPECT_EQ(TaskXmlPathIn(DirectoryOf(deep + L"\\twsaverx.exe")), deep + L"\\task.xml");
  const std::wstring long_user(300, L'u');
  EXPECT_EQ(CreateTaskParameters(deep + L"\\task.xml", UserTaskName(long_user)).size(),
            14 + deep.size() + 9 + 7 + 31 + long_user.size() + 1);
}

TEST(WorkerPaths, SchtasksFromSystemRootOrTheSystemDirectory) {
  wchar_t saved[MAX_PATH * 2] = L"";
  GetEnvironmentVariableW(L"SystemRoot", saved, MAX_PATH * 2);
  SetEnvironmentVariableW(L"SystemRoot", L"Q:\\Win");
  EXPECT_EQ(SchtasksPath(), L"Q:\\Win\\System32\\schtasks.exe");
  SetEnvironmentVariableW(L"SystemRoot", nullptr);
  wchar_t system[MAX_PATH] = L"";
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_EQ(SchtasksPath(), std::wstring(system) + L"\\schtasks.exe");
  SetEnvironmentVariableW(L"SystemRoot", saved);
}

TEST_F(TaskInstallTest, InstallWritesTaskXmlAndStartsTwoSchtasks) {
  const std::wstring worker = worker_dir_.File(L"A&B\\twsaverx.exe");
  CreateDirectoryW(worker_dir_.File(L"A&B").c_str(), nullptr);
  DeleteValue(HKEY_LOCAL_MACHINE, g_settings_key, L"Users");
  InstallTaskFor(worker, task_definition_text);

  const std::wstring xml_path = worker_dir_.File(L"A&B\\task.xml");
  std::wstring expected_text = task_definition_text;
  expected_text.replace(expected_text.find(L"{PATH}"), 6, worker);
  EXPECT_EQ(ReadFileBytes(xml_path), Concat({0xFF, 0xFE}, Utf16LeBytes(expected_text)));

  const std::wstring account = AccountName();
  std::vector<std::wstring> expected_calls = {
      L"/Create /XML \"" + xml_path + L"\" /TN \"Orbenlake Tidewell Screensaver." + account +
          L"\"",
      L"/Delete /TN \"Orbenlake Tidewell Screensaver\" /F"};
  std::sort(expected_calls.begin(), expected_calls.end());
  EXPECT_EQ(schtasks_.WaitForCalls(2), expected_calls);
  EXPECT_FALSE(FileExists(worker_dir_.File(L"A&B\\error.log")));

  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(GetRawValue(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", &type, &data));
  EXPECT_EQ(data, TextBytesWithTerminator(account));
  ASSERT_TRUE(GetRawValue(HKEY_CURRENT_USER, g_settings_key, L"User", &type, &data));
  EXPECT_EQ(data, TextBytesWithTerminator(account));
}

TEST_F(TaskInstallTest, InstallingTwiceKeepsOneListEntry) {
  DeleteValue(HKEY_LOCAL_MACHINE, g_settings_key, L"Users");
  InstallTaskFor(WorkerPath(), task_definition_text);
  InstallTaskFor(WorkerPath(), task_definition_text);
  EXPECT_EQ(schtasks_.WaitForCalls(4).size(), 4u);
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(GetRawValue(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", &type, &data));
  EXPECT_EQ(data, TextBytesWithTerminator(AccountName()));
}

TEST_F(TaskInstallTest, UninstallDeletesTheTaskOfEveryListedUser) {
  SetText(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", L",bob,,");
  UninstallTasks();
  const std::vector<std::wstring> expected = {
      L"/Delete /TN \"Orbenlake Tidewell Screensaver.\" /F",
      L"/Delete /TN \"Orbenlake Tidewell Screensaver.\" /F",
      L"/Delete /TN \"Orbenlake Tidewell Screensaver.bob\" /F"};
  EXPECT_EQ(schtasks_.WaitForCalls(3), expected);
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_FALSE(GetRawValue(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", &type, &data));
}

TEST_F(TaskInstallTest, UninstallTwoUsers) {
  SetText(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", L"alice,bob");
  UninstallTasks();
  const std::vector<std::wstring> expected = {
      L"/Delete /TN \"Orbenlake Tidewell Screensaver.alice\" /F",
      L"/Delete /TN \"Orbenlake Tidewell Screensaver.bob\" /F"};
  EXPECT_EQ(schtasks_.WaitForCalls(2), expected);
}

TEST_F(TaskInstallTest, UninstallWithoutListStartsNothing) {
  DeleteValue(HKEY_LOCAL_MACHINE, g_settings_key, L"Users");
  UninstallTasks();
  EXPECT_TRUE(schtasks_.WaitForCalls(0).empty());
}

TEST_F(TaskInstallTest, UninstallKeepsAListItCannotRead) {
  const std::wstring long_list = std::wstring(user_list_room + 1, L'x');
  SetText(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", long_list);
  UninstallTasks();
  EXPECT_TRUE(schtasks_.WaitForCalls(0).empty());
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(GetRawValue(HKEY_LOCAL_MACHINE, g_settings_key, L"Users", &type, &data));
  EXPECT_EQ(data, TextBytesWithTerminator(long_list));
}

TEST_F(TaskInstallTest, DefinitionWithoutPlaceholderIsLogged) {
  InstallTaskFor(WorkerPath(), L"<Task />");
  EXPECT_EQ(ReadFileBytes(ErrorLog()),
            Concat(kBom, Utf8Line("ERROR: Could not locate substring '{PATH}' in task XML.")));
  EXPECT_FALSE(FileExists(worker_dir_.File(L"task.xml")));
  EXPECT_TRUE(schtasks_.WaitForCalls(0).empty());
}

TEST_F(TaskInstallTest, UnwritableTaskXmlIsLogged) {
  CreateDirectoryW(worker_dir_.File(L"task.xml").c_str(), nullptr);  // a folder in the way
  InstallTaskFor(WorkerPath(), task_definition_text);
  EXPECT_EQ(ReadFileBytes(ErrorLog()),
            Concat(kBom, Utf8Line("ERROR: Could not open task XML for writing.")));
  EXPECT_TRUE(schtasks_.WaitForCalls(0).empty());
}

TEST_F(TaskInstallTest, MissingSchtasksIsLoggedAndTaskXmlStays) {
  DeleteFileW(schtasks_.ToolPath().c_str());
  InstallTaskFor(WorkerPath(), task_definition_text);
  EXPECT_EQ(ReadFileBytes(ErrorLog()),
            Concat(kBom, Utf8Line("ERROR: Could not execute 'schtasks.exe'.")));
  EXPECT_TRUE(FileExists(worker_dir_.File(L"task.xml")));
}

TEST(ErrorLog, ByteOrderMarkOnlyOnANewFileAndCrLfLines) {
  ScratchFolder folder;
  const std::wstring log = folder.File(L"error.log");
  AppendErrorLogLine(log, L"ERROR: GetUserName");
  AppendErrorLogLine(log, L"caf\u00e9 \u20ac");
  EXPECT_EQ(ReadFileBytes(log),
            Concat(Concat(kBom, Utf8Line("ERROR: GetUserName")), Utf8Line("caf\xC3\xA9 \xE2\x82\xAC")));
  // An empty file counts as new.
  const std::wstring empty = folder.File(L"empty.log");
  CloseHandle(CreateFileW(empty.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  AppendErrorLogLine(empty, L"x");
  EXPECT_EQ(ReadFileBytes(empty), Concat(kBom, Utf8Line("x")));
}

TEST(TaskXmlCleanup, DeletedBesideTheWorkerOnlyWhenPresent) {
  const std::wstring xml = TaskXmlPathIn(DirectoryOf(GetWorkerExePath()));
  DeleteTaskXml();  // none there: nothing happens
  EXPECT_FALSE(FileExists(xml));
  ASSERT_TRUE(WriteTaskXml(xml, L"<Task />"));
  EXPECT_EQ(ReadFileBytes(xml), Concat({0xFF, 0xFE}, Utf16LeBytes(L"<Task />")));
  DeleteTaskXml();
  EXPECT_FALSE(FileExists(xml));
}

}  // namespace
