#pragma once
// "error.log" beside the worker: installation errors, one UTF-8 line each (CR LF),
// appended; a new or empty file starts with the byte-order mark EF BB BF.
#include <string>

// Appends `message` to the log at `log_path`; a log that can't be opened loses it.
void WriteErrorLog(const std::wstring& log_path, const wchar_t* message);
