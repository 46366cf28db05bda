#include "twsaverx/user_list.h"

std::vector<std::wstring> SplitUserList(const std::wstring& list) {
  std::vector<std::wstring> entries;
  size_t start = 0;
  while (start < list.size()) {
    size_t comma = list.find(L',', start);
    if (comma == std::wstring::npos) {
      entries.push_back(list.substr(start));
      break;
    }
    entries.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
  return entries;
}

bool UserListContains(const std::wstring& list, const std::wstring& name) {
  for (const std::wstring& entry : SplitUserList(list)) {
    if (entry == name) return true;
  }
  return false;
}

std::wstring AppendToUserList(const std::wstring& list, const std::wstring& name) {
  return list.empty() ? name : list + L"," + name;
}
