#pragma once
// The drives the screen saver may defragment and the user's choice among them.
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include <vector>

struct DiskInfo {
  wchar_t letter = 0;
  wchar_t root_path[4] = {};
  wchar_t display_name[30] = {};
  wchar_t size_text[20] = {};
  wchar_t free_text[20] = {};
  uint32_t drive_type = 0;  // DRIVE_REMOVABLE or DRIVE_FIXED
  int32_t selected = 0;
};

// The platform queries the drive list makes; tests replace them to give it any drives.
struct DrivePlatform {
  DWORD (*get_logical_drive_strings)(DWORD length, wchar_t* buffer);
  UINT (*get_drive_type)(const wchar_t* root);
  bool (*is_floppy_drive)(const wchar_t* root);
  BOOL (*get_disk_free_space)(const wchar_t* root, uint64_t* total_bytes, uint64_t* free_bytes);
  BOOL (*get_volume_label)(const wchar_t* root, wchar_t* label, DWORD label_size);
};

// The real queries.
const DrivePlatform& SystemDrivePlatform();

class DiskList {
 public:
  std::vector<DiskInfo> disks;

  // Appends the present fixed and removable drives and applies "SelectedDrives".
  void LoadDriveList();
  void LoadDriveList(const DrivePlatform& platform);

  static bool IsFloppyDrive(const wchar_t* root_path);
  static void FormatDiskSize(uint64_t bytes, wchar_t* buffer, size_t capacity);
  // Reads the dialog's check boxes into `selected` and stores "SelectedDrives".
  void SaveSelectedDrives(HWND dialog);

  // --- settings dialog list view (drive_list_view.cpp) ---
  void FillDriveListView(HWND dialog);
  void SetDriveIcons(HWND list_view);
  void GetDriveItemText(NMLVDISPINFOW* info);
  // --- end settings dialog list view ---

  size_t size() const { return disks.size(); }
  DiskInfo& operator[](size_t i) { return disks[i]; }
  const DiskInfo& operator[](size_t i) const { return disks[i]; }
};

// The process-wide drive list (defined with the scene in program_globals.cpp).
extern DiskList drive_list;

// The list's letters never exceed the alphabet, so reserving this many records up front
// keeps `disks` from moving when a later load appends (the engine keeps pointers into it).
constexpr size_t kMaxDrives = 26;

// Whether the first media type a drive reports makes it a diskette drive.
bool IsDisketteMediaType(int media_type);

// Builds the display name "label (X:)" into `out` (capacity 30), shortening the label so
// that the drive letter part always stays whole.
void FormatDisplayName(const wchar_t* label, wchar_t letter, wchar_t* out, size_t capacity);

// Letters of the selected records in list order, as stored in "SelectedDrives".
void SelectedLetters(const std::vector<DiskInfo>& disks, wchar_t* out, size_t capacity);
