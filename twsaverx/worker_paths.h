#pragma once
// Where the worker's files and tools are. Paths are built at their full length: a deep
// worker directory or a long account name is never cut.
#include <string>

// Full path of the running executable.
std::wstring GetWorkerExePath();
// The path up to its last '\' (without it); the whole text when there is none.
std::wstring DirectoryOf(const std::wstring& path);
std::wstring TaskXmlPathIn(const std::wstring& directory);
std::wstring ErrorLogPathIn(const std::wstring& directory);
// %SystemRoot%\System32\schtasks.exe, or schtasks.exe in the system directory when
// "SystemRoot" is not set.
std::wstring SchtasksPath();
