#include "twsaverx/task_install.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

#include "twsaverx/error_log.h"
#include "twsaverx/task_definition.h"
#include "twsaverx/user_list.h"
#include "twsaverx/worker_paths.h"
#include "twsaverx/worker_registry.h"

const wchar_t task_name_base[] = L"Orbenlake Tidewell Screensaver";

namespace {

constexpr size_t placeholder_length = 6;  // "{PATH}"

bool GetAccountName(std::wstring* name) {
  std::vector<wchar_t> buffer(257);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD size = static_cast<DWORD>(buffer.size());
    if (GetUserNameW(buffer.data(), &size)) {
      name->assign(buffer.data());
      return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= buffer.size()) return false;
    buffer.resize(size);
  }
  return false;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The text as XML character data: a folder named "R&D" must not end the document there.
std::wstring XmlEscaped(const std::wstring& text) {
  std::wstring escaped;
  for (wchar_t c : text) {
    switch (c) {
      case L'&':
        escaped += L"&amp;";
        break;
      case L'<':
        escaped += L"&lt;";
        break;
      case L'>':
        escaped += L"&gt;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

}  // namespace

std::wstring UserTaskName(const std::wstring& account) {
  return std::wstring(task_name_base) + L"." + account;
}

bool FillTaskDefinition(const std::wstring& definition, const std::wstring& exe_path,
                        std::wstring* filled) {
  size_t brace = definition.rfind(L'{');
  if (brace == std::wstring::npos) return false;
  size_t tail_start = std::min(definition.size(), brace + placeholder_length);
  *filled = definition.substr(0, brace) + XmlEscaped(exe_path) + definition.substr(tail_start);
  return true;
}

std::wstring CreateTaskParameters(const std::wstring& xml_path, const std::wstring& task_name) {
  return L"/Create /XML " + Quoted(xml_path) + L" /TN " + Quoted(task_name);
}

std::wstring DeleteTaskParameters(const std::wstring& task_name) {
  return L"/Delete /TN " + Quoted(task_name) + L" /F";
}

bool WriteTaskXml(const std::wstring& path, const std::wstring& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::wstring content = L"\xFEFF" + text;  // little-endian on this platform: FF FE first
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size() * sizeof(wchar_t)), &written,
            nullptr);
  CloseHandle(file);
  return true;
}

bool StartSchtasks(const std::wstring& parameters) {
  const std::wstring tool = SchtasksPath();
  HINSTANCE result =
      ShellExecuteW(nullptr, L"open", tool.c_str(), parameters.c_str(), nullptr, SW_HIDE);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

void InstallTaskFor(const std::wstring& exe_path, const std::wstring& definition) {
  const std::wstring directory = DirectoryOf(exe_path);
  const std::wstring log_path = ErrorLogPathIn(directory);

  std::wstring account;
  if (!GetAccountName(&account)) {
    WriteErrorLog(log_path, L"ERROR: GetUserName");
    return;
  }
  // The installation goes on, but a task missing from "Users" is one that no uninstallation
  // will remove: say so.
  if (worker_registry.StoreUser(account.c_str()) != ERROR_SUCCESS) {
    WriteErrorLog(log_path,
                  L"ERROR: Could not record the user in the 'Users' list; uninstalling will not "
                  L"remove this task.");
  }
  const std::wstring task_name = UserTaskName(account);
  const std::wstring xml_path = TaskXmlPathIn(directory);

  std::wstring task_xml;
  if (!FillTaskDefinition(definition, exe_path, &task_xml)) {
    WriteErrorLog(log_path, L"ERROR: Could not locate substring '{PATH}' in task XML.");
    return;
  }
  if (!WriteTaskXml(xml_path, task_xml)) {
    WriteErrorLog(log_path, L"ERROR: Could not open task XML for writing.");
    return;
  }
  DeleteLegacyTask();
  if (!StartSchtasks(CreateTaskParameters(xml_path, task_name))) {
    WriteErrorLog(log_path, L"ERROR: Could not execute 'schtasks.exe'.");
  }
}

void InstallTask() { InstallTaskFor(GetWorkerExePath(), task_definition_text); }

void DeleteLegacyTask() { StartSchtasks(DeleteTaskParameters(task_name_base)); }

void UninstallTasks() {
  HKEY key = nullptr;
  if (OpenMachineSettingsKey(&key) != ERROR_SUCCESS) return;
  std::wstring list;
  // A list that can't be read is left in place, so that a later run can still remove
  // the tasks it names.
  if (ReadUserList(key, &list) == ERROR_SUCCESS) {
    for (const std::wstring& account : SplitUserList(list)) {
      StartSchtasks(DeleteTaskParameters(UserTaskName(account)));
    }
    RegDeleteValueW(key, L"Users");
  }
  RegCloseKey(key);
}

void DeleteTaskXml() {
  const std::wstring path = TaskXmlPathIn(DirectoryOf(GetWorkerExePath()));
  if (PathFileExistsW(path.c_str())) DeleteFileW(path.c_str());
}
