#pragma once
// "-install" and "-uninstall": the worker's Task Scheduler task, created from "task.xml"
// beside the worker through schtasks.exe (started hidden and never waited for).
#include <string>

extern const wchar_t task_name_base[];

// The base, "." and the account name.
std::wstring UserTaskName(const std::wstring& account);

// `definition` with its last '{' and the five characters after it replaced by `exe_path`
// as XML text ('&', '<' and '>' as entities; no quoting). False when the definition holds
// no '{'.
bool FillTaskDefinition(const std::wstring& definition, const std::wstring& exe_path,
                        std::wstring* filled);

std::wstring CreateTaskParameters(const std::wstring& xml_path, const std::wstring& task_name);
std::wstring DeleteTaskParameters(const std::wstring& task_name);

// Writes `text` as UTF-16LE with the byte-order mark FF FE, creating or emptying the file.
bool WriteTaskXml(const std::wstring& path, const std::wstring& text);

// Starts schtasks.exe hidden with `parameters`; true when it was started.
bool StartSchtasks(const std::wstring& parameters);

// The installation for a worker at `exe_path` from `definition`; errors go to the
// "error.log" beside that path.
void InstallTaskFor(const std::wstring& exe_path, const std::wstring& definition);

void InstallTask();
void UninstallTasks();
void DeleteLegacyTask();
void DeleteTaskXml();
