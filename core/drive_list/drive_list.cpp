#include "core/drive_list/drive_list.h"

#include <winioctl.h>

#include <cwchar>

#include "core/drive_list/registry_text.h"
#include "core/resources/resource_ids.h"

namespace {

constexpr DWORD kRootsLength = 260;
constexpr size_t kSelectionUnits = 261;  // "SelectedDrives" is read and written in this room

DWORD SystemLogicalDriveStrings(DWORD length, wchar_t* buffer) {
  return GetLogicalDriveStringsW(length, buffer);
}

UINT SystemDriveType(const wchar_t* root) { return GetDriveTypeW(root); }

BOOL SystemDiskFreeSpace(const wchar_t* root, uint64_t* total_bytes, uint64_t* free_bytes) {
  ULARGE_INTEGER total{}, total_free{};
  if (!GetDiskFreeSpaceExW(root, nullptr, &total, &total_free)) return FALSE;
  *total_bytes = total.QuadPart;
  *free_bytes = total_free.QuadPart;
  return TRUE;
}

BOOL SystemVolumeLabel(const wchar_t* root, wchar_t* label, DWORD label_size) {
  return GetVolumeInformationW(root, label, label_size, nullptr, nullptr, nullptr, nullptr, 0);
}

// The text ends at its first NUL or at the room's end, whichever comes first.
bool LetterIn(const wchar_t* text, size_t room, wchar_t letter) {
  return wmemchr(text, letter, wcsnlen(text, room)) != nullptr;
}

void AddDrive(DiskList& list, const DrivePlatform& platform, const wchar_t* root, UINT type) {
  DiskInfo info;
  wcsncpy(info.root_path, root, 3);
  info.root_path[3] = L'\0';
  info.letter = info.root_path[0];
  info.drive_type = type;
  for (const DiskInfo& known : list.disks) {
    if (known.letter == info.letter) return;  // a later load keeps what is listed
  }
  if (platform.is_floppy_drive(info.root_path)) return;
  uint64_t total = 0, free_bytes = 0;
  if (!platform.get_disk_free_space(info.root_path, &total, &free_bytes)) return;
  DiskList::FormatDiskSize(total, info.size_text, 20);
  DiskList::FormatDiskSize(free_bytes, info.free_text, 20);
  wchar_t label[261];
  label[0] = L'\0';
  if (!platform.get_volume_label(info.root_path, label, 260)) label[0] = L'\0';
  label[260] = L'\0';
  FormatDisplayName(label, info.letter, info.display_name, 30);
  info.selected = 0;
  if (list.disks.size() >= kMaxDrives) return;
  list.disks.push_back(info);
}

}  // namespace

const DrivePlatform& SystemDrivePlatform() {
  static const DrivePlatform platform = {SystemLogicalDriveStrings, SystemDriveType,
                                         DiskList::IsFloppyDrive, SystemDiskFreeSpace,
                                         SystemVolumeLabel};
  return platform;
}

void FormatDisplayName(const wchar_t* label, wchar_t letter, wchar_t* out, size_t capacity) {
  // " (X:)" and the terminator take 6 units; a longer label is cut, never the letter.
  const size_t suffix_units = 6;
  size_t room = capacity > suffix_units ? capacity - suffix_units : 0;
  size_t label_length = wcslen(label);
  if (label_length > room) label_length = room;
  swprintf(out, capacity, L"%.*ls (%lc:)", static_cast<int>(label_length), label, letter);
}

void SelectedLetters(const std::vector<DiskInfo>& disks, wchar_t* out, size_t capacity) {
  size_t length = 0;
  for (const DiskInfo& disk : disks) {
    if (disk.selected && length + 1 < capacity) out[length++] = disk.letter;
  }
  out[length] = L'\0';
}

void DiskList::LoadDriveList() { LoadDriveList(SystemDrivePlatform()); }

void DiskList::LoadDriveList(const DrivePlatform& platform) {
  if (disks.capacity() < kMaxDrives) disks.reserve(kMaxDrives);
  UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  wchar_t roots[kRootsLength + 1] = {};
  DWORD length = platform.get_logical_drive_strings(kRootsLength, roots);
  if (length != 0 && length <= kRootsLength) {
    roots[kRootsLength] = L'\0';
    for (const wchar_t* root = roots; *root != L'\0' && root < roots + kRootsLength;
         root += wcslen(root) + 1) {
      UINT type = platform.get_drive_type(root);
      if (type == DRIVE_FIXED || type == DRIVE_REMOVABLE) AddDrive(*this, platform, root, type);
    }
  }
  SetErrorMode(previous_mode);

  wchar_t selection[kSelectionUnits] = {};
  // A value that fills the room without a terminator is the user's choice all the same.
  LONG rc = ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, L"SelectedDrives", selection,
                             kSelectionUnits, FullRoom::EndsAtRoomEnd);
  if (rc == ERROR_SUCCESS) {
    for (DiskInfo& disk : disks) {
      if (LetterIn(selection, kSelectionUnits, disk.letter)) disk.selected = 1;
    }
    return;
  }
  // No readable value: every fixed drive is selected, and that default is stored at once.
  wchar_t defaults[kSelectionUnits] = {};
  size_t count = 0;
  for (DiskInfo& disk : disks) {
    if (disk.drive_type == DRIVE_FIXED && count + 1 < kSelectionUnits) {
      defaults[count++] = disk.letter;
      disk.selected = 1;
    }
  }
  WriteRegistryBytes(HKEY_CURRENT_USER, g_settings_key, L"SelectedDrives", defaults,
                     static_cast<DWORD>(sizeof(defaults)));
}

bool DiskList::IsFloppyDrive(const wchar_t* root_path) {
  wchar_t device[260];
  swprintf(device, 260, L"\\\\.\\%lc:", root_path[0]);
  HANDLE handle = CreateFileW(device, 0, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DISK_GEOMETRY geometry[20] = {};
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(handle, IOCTL_DISK_GET_MEDIA_TYPES, nullptr, 0, geometry,
                            sizeof(geometry), &returned, nullptr);
  CloseHandle(handle);
  if (!ok || returned == 0) return false;
  return IsDisketteMediaType(static_cast<int>(geometry[0].MediaType));
}

bool IsDisketteMediaType(int media_type) {
  // F5_1Pt2_512 (1) through F5_160_512 (10): the 5.25-inch and 3.5-inch diskette formats.
  return media_type >= 1 && media_type <= 10;
}

void DiskList::FormatDiskSize(uint64_t bytes, wchar_t* buffer, size_t capacity) {
  if (buffer == nullptr || capacity == 0) return;
  const uint64_t tebibyte = 1ULL << 40;
  wchar_t unit[3];
  double value;
  if (bytes < tebibyte) {
    value = static_cast<double>(bytes) / static_cast<double>(1ULL << 30);
    wcscpy(unit, L"GB");
  } else {
    value = static_cast<double>(bytes) / static_cast<double>(tebibyte);
    wcscpy(unit, L"TB");
  }
  swprintf(buffer, capacity, L"%.1f %ls", value, unit);
  buffer[capacity - 1] = L'\0';
  for (wchar_t* c = buffer; *c != L'\0'; ++c) {
    if (*c == L'.') *c = L',';
  }
}

void DiskList::SaveSelectedDrives(HWND dialog) {
  HWND list_view = GetDlgItem(dialog, IDC_DRIVE_LIST);
  for (size_t j = 0; j < disks.size(); ++j) {
    LRESULT state = SendMessageW(list_view, LVM_GETITEMSTATE, j, LVIS_STATEIMAGEMASK);
    // Only the checked box (state image 2) selects; no item or no state image does not.
    disks[j].selected = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2 ? 1 : 0;
  }
  wchar_t letters[kSelectionUnits];
  SelectedLetters(disks, letters, kSelectionUnits);
  WriteRegistryText(HKEY_CURRENT_USER, g_settings_key, L"SelectedDrives", letters);
}
