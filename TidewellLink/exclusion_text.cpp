#include "TidewellLink/exclusion_text.h"

#include <algorithm>
#include <cwchar>
#include <new>

bool ReserveExclusionBuffer(std::vector<wchar_t>& buffer, size_t length) {
  if (buffer.size() >= length) return true;
  try {
    buffer.resize(length, L'\0');
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

const wchar_t* BuildExclusionText(const std::vector<std::wstring>& entries,
                                  std::vector<wchar_t>& buffer) {
  size_t total = 0;
  for (const std::wstring& entry : entries)
    if (!entry.empty()) total += entry.size() + 1;
  if (total == 0) return nullptr;
  if (!ReserveExclusionBuffer(buffer, total + 3)) return nullptr;

  size_t pos = 0;
  for (const std::wstring& entry : entries) {
    if (entry.empty()) continue;
    std::copy(entry.begin(), entry.end(), buffer.begin() + pos);
    pos += entry.size();
    buffer[pos++] = L'\0';
  }
  buffer[pos] = L'\0';
  buffer[pos + 1] = L'\0';
  return buffer.data();
}

std::vector<std::wstring> ParseExclusionText(const wchar_t* text) {
  std::vector<std::wstring> entries;
  if (!text) return entries;
  while (*text) {
    size_t length = wcslen(text);
    entries.emplace_back(text, length);
    text += length + 1;
  }
  return entries;
}
