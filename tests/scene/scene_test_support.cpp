#include "tests/scene/scene_test_support.h"

#include <windows.h>

#include <cwchar>

#include "core/registry_text.h"

Log LoggedMessages(const SaverScene& scene)
{
    Log log;
    if (!scene.log_lines[0].empty()) log.push_back(scene.log_lines[0]);
    log.insert(log.end(), scene.pending_log.begin(), scene.pending_log.end());
    return log;
}

std::string Narrow(const Log& log)
{
    std::string text;
    for (const std::wstring& line : log) text += std::string(line.begin(), line.end()) + "\n";
    return text;
}

void AddDrive(DiskList* drives, const wchar_t* root, bool selected)
{
    DiskInfo disk;
    disk.letter = root[0];
    wcscpy(disk.root_path, root);
    disk.selected = selected ? 1 : 0;
    drives->disks.push_back(disk);
}

std::wstring ExpectedEndLine(int64_t seconds)
{
    const uint64_t ticks = (static_cast<uint64_t>(seconds) + 11644473600ull) * 10000000ull;
    FILETIME utc = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME local;
    SYSTEMTIME t;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &t);
    const int hour12 = t.wHour % 12 == 0 ? 12 : t.wHour % 12;
    wchar_t text[64];
    swprintf(text, 64, L"Defragmented on %02d/%02d/%04d at %02d:%02d %ls", t.wDay, t.wMonth,
             t.wYear, hour12, t.wMinute, t.wHour < 12 ? L"AM" : L"PM");
    return text;
}

std::wstring StoredLastDefrag()
{
    wchar_t text[32] = {};
    const LONG rc = ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, L"LastDefrag", text, 32);
    return rc == ERROR_SUCCESS ? text : L"(absent)";
}

void DeleteSceneSettings()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, L"LastDefrag");
        RegDeleteValueW(key, L"IdleAnimation");
        RegCloseKey(key);
    }
}
