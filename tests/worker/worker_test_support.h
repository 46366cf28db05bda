#pragma once
// Helpers of the worker's tests: registry values of the settings key put back as they
// were, scratch folders, file bytes, and the worker program in its own process.
#include <windows.h>

#include <optional>
#include <string>

using Bytes = std::string;  // raw bytes of a value or a file

// The UTF-16LE bytes of `text`, with its terminator unless told otherwise.
Bytes Utf16Bytes(const std::wstring& text, bool with_terminator = true);

// Values under g_settings_key of `root`.
void SetValue(HKEY root, const wchar_t* name, DWORD type, const Bytes& data);
void SetText(HKEY root, const wchar_t* name, const std::wstring& text);
void DeleteValue(HKEY root, const wchar_t* name);
// The value's bytes (and type), or nothing when it is missing.
std::optional<Bytes> RawValue(HKEY root, const wchar_t* name, DWORD* type = nullptr);

// Remembers one value (or its absence) and restores it when it goes.
class SavedRegistryValue {
 public:
  SavedRegistryValue(HKEY root, const wchar_t* name);
  ~SavedRegistryValue();

 private:
  HKEY root_;
  const wchar_t* name_;
  DWORD type_ = 0;
  std::optional<Bytes> data_;
};

// A fresh folder under the temporary directory, removed with its contents at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

bool FileExists(const std::wstring& path);
Bytes ReadFileBytes(const std::wstring& path);

// bin\twsaverx.exe started with `arguments`; ended by the destructor if still running.
class WorkerProcess {
 public:
  explicit WorkerProcess(const std::wstring& arguments = L"");
  ~WorkerProcess();
  DWORD id() const { return info_.dwProcessId; }
  // The exit code once the process has ended within `timeout_ms` (pumping this thread's
  // messages meanwhile); -1 while it still runs.
  long WaitForExit(DWORD timeout_ms);

 private:
  PROCESS_INFORMATION info_ = {};
};

// The first window of class `class_name`: a child of `parent`, a top-level window of
// `desktop`, or (neither given) a top-level window of `process_id` on this desktop.
HWND WaitForWindowOf(DWORD process_id, const wchar_t* class_name, DWORD timeout_ms,
                     HWND parent = nullptr, HDESK desktop = nullptr);
