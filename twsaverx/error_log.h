#pragma once
// "error.log" beside the worker: installation errors, one UTF-8 line each (CR LF),
// appended; a new or empty file starts with the byte-order mark EF BB BF.
#include <string>

void WriteErrorLog(const wchar_t* message);
// The same into a given file.
void AppendErrorLogLine(const std::wstring& log_path, const wchar_t* message);
