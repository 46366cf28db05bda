#pragma once
// The "Users" list: account names separated by ',' with no blanks. An entry runs up to
// the next ',' or the end of the text; a ',' at the very end starts no further entry,
// while two ',' in a row (or one at the start) hold an empty entry.
#include <string>
#include <vector>

std::vector<std::wstring> SplitUserList(const std::wstring& list);

// Exact, case-sensitive comparison with whole entries.
bool UserListContains(const std::wstring& list, const std::wstring& name);

// The list with `name` appended (a ',' first unless the list is empty).
std::wstring AppendToUserList(const std::wstring& list, const std::wstring& name);
