#include "core/drive_list/drive_list.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/settings_values.h"

namespace {

// A drive as the fake platform reports it.
struct FakeDrive {
  UINT type = DRIVE_FIXED;
  std::wstring label;
  bool floppy = false;
  bool has_medium = true;
  bool label_fails = false;
  uint64_t total = 100;
  uint64_t free_bytes = 50;
};

std::map<wchar_t, FakeDrive> g_drives;

DWORD FakeRoots(DWORD, wchar_t* buffer) {
  DWORD used = 0;
  for (const auto& entry : g_drives) {
    for (wchar_t c : {entry.first, L':', L'\\', L'\0'}) buffer[used++] = c;
  }
  buffer[used] = L'\0';
  return used;
}
UINT FakeType(const wchar_t* root) { return g_drives.at(root[0]).type; }
bool FakeFloppy(const wchar_t* root) { return g_drives.at(root[0]).floppy; }
BOOL FakeFree(const wchar_t* root, uint64_t* total, uint64_t* free_bytes) {
  const FakeDrive& d = g_drives.at(root[0]);
  *total = d.total;
  *free_bytes = d.free_bytes;
  return d.has_medium;
}
BOOL FakeLabel(const wchar_t* root, wchar_t* label, DWORD size) {
  const FakeDrive& d = g_drives.at(root[0]);
  if (d.label_fails) return FALSE;
  wcsncpy(label, d.label.c_str(), size);
  return TRUE;
}
const DrivePlatform kFake = {FakeRoots, FakeType, FakeFloppy, FakeFree, FakeLabel};

std::wstring Letters(const DiskList& list, bool selected_only) {
  std::wstring s;
  for (const DiskInfo& d : list.disks)
    if (!selected_only || d.selected) s += d.letter;
  return s;
}

class DriveListTest : public ::testing::Test {
 protected:
  void SetUp() override { g_drives.clear(); }
  SettingsSandbox sandbox_;
};

TEST_F(DriveListTest, ListsFixedAndRemovableDrivesWithAMediumAndNamesThem) {
  g_drives[L'A'] = {DRIVE_REMOVABLE, L"", true};
  g_drives[L'C'] = {DRIVE_FIXED, L"System", false, true, false, 500107862016ULL, 1ULL << 30};
  g_drives[L'D'] = {DRIVE_CDROM, L"CD"};
  g_drives[L'E'] = {DRIVE_REMOVABLE, L"", false, false};
  g_drives[L'F'] = {DRIVE_REMOVABLE, L"Stick"};
  g_drives[L'G'] = {DRIVE_FIXED, L"Lost", false, true, true};
  g_drives[L'H'] = {DRIVE_FIXED, L"A label far longer than the room has"};
  g_drives[L'I'] = {DRIVE_FIXED, std::wstring(24, L'x')};
  g_drives[L'N'] = {DRIVE_REMOTE, L"Share"};
  g_drives[L'R'] = {DRIVE_RAMDISK, L""};
  DiskList list;
  list.LoadDriveList(kFake);
  ASSERT_EQ(L"CFGHI", Letters(list, false));
  const DiskInfo& c = list.disks[0];
  EXPECT_STREQ(L"C:\\", c.root_path);
  EXPECT_STREQ(L"465,8 GB", c.size_text);
  EXPECT_STREQ(L"1,0 GB", c.free_text);
  EXPECT_EQ(static_cast<uint32_t>(DRIVE_FIXED), c.drive_type);
  EXPECT_EQ(static_cast<uint32_t>(DRIVE_REMOVABLE), list.disks[1].drive_type);
  // A long label is shortened; the letter part always stays.
  const wchar_t* names[] = {L"System (C:)", L"Stick (F:)", L" (G:)",
                            L"A label far longer than  (H:)", L"xxxxxxxxxxxxxxxxxxxxxxxx (I:)"};
  for (int i = 0; i < 5; ++i) EXPECT_STREQ(names[i], list.disks[i].display_name);

  // A second load neither duplicates nor moves the records (the engine points into them).
  const DiskInfo* first = list.disks.data();
  g_drives[L'J'] = {};
  for (int i = 0; i < 3; ++i) list.LoadDriveList(kFake);
  EXPECT_EQ(L"CFGHIJ", Letters(list, false));
  EXPECT_EQ(first, list.disks.data());
}

TEST_F(DriveListTest, StoredSelectionIsMatchedExactlyAndAMissingOneDefaultsToFixedDrives) {
  g_drives[L'C'] = {};
  g_drives[L'D'] = {};
  g_drives[L'E'] = {DRIVE_REMOVABLE, L""};
  const std::wstring long_text(300, L'E');
  const std::wstring full_room = std::wstring(260, L'X') + L'D';  // 522 bytes, no terminator
  const struct {
    const wchar_t* stored;  // nullptr: no value
    DWORD type;
    DWORD bytes;  // 0: the text and its terminator
    const wchar_t* selected;
    const wchar_t* stored_after;
    DWORD bytes_after;  // 0: not compared
  } cases[] = {
      {nullptr, REG_SZ, 0, L"CD", L"CD", 522},  // the default takes the whole 261-unit room
      {L"DXc", REG_SZ, 0, L"D", L"DXc", 0},     // case-sensitive, foreign letters ignored, kept
      {L"EC", REG_SZ, 0, L"CE", L"EC", 0},      // list order, removable drives too
      {L"", REG_SZ, 0, L"", L"", 2},            // empty: nothing selected, no default restored
      // Longer than the room: unreadable, so the default replaces it.
      {long_text.c_str(), REG_SZ, 0, L"CD", L"CD", 522},
      // Filling the room exactly without a terminator: read up to the room's end, kept.
      {full_room.c_str(), REG_SZ, 522, L"D", full_room.c_str(), 522},
      // "D" of another type without its terminator: what lies behind it must not count.
      {L"DC", REG_BINARY, 2, L"D", L"D", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "stored: " << (c.stored ? c.stored : L"(none)"));
    DeleteValue(HKEY_CURRENT_USER, L"SelectedDrives");
    if (c.stored != nullptr) {
      const std::wstring text = c.stored;
      SetValue(HKEY_CURRENT_USER, L"SelectedDrives", c.type,
               c.bytes != 0 ? Utf16Bytes(text).substr(0, c.bytes) : Utf16Bytes(text));
    }
    DiskList list;
    list.LoadDriveList(kFake);
    EXPECT_EQ(c.selected, Letters(list, true));
    EXPECT_EQ(c.stored_after, SettingsText(L"SelectedDrives"));
    if (c.bytes_after != 0) {
      EXPECT_EQ(c.bytes_after, RawValue(HKEY_CURRENT_USER, L"SelectedDrives")->size());
    }
  }
}

TEST(IsDisketteMediaTypeTest, OnlyTheFirstTenMediaTypesAreDiskettes) {
  const struct {
    int media_type;
    bool diskette;
  } cases[] = {{-1, false}, {0, false},  {1, true},   {2, true},   {9, true},  {10, true},
               {11, false}, {12, false}, {13, false}, {25, false}, {64, false}};
  for (const auto& c : cases)
    EXPECT_EQ(IsDisketteMediaType(c.media_type), c.diskette) << c.media_type;
}

TEST(FormatDiskSizeTest, BinaryUnitsWithACommaSeparator) {
  const struct {
    uint64_t bytes;
    const wchar_t* text;
  } cases[] = {{0, L"0,0 GB"},
               {500107862016ULL, L"465,8 GB"},
               {(1ULL << 40) - 1, L"1024,0 GB"},
               {1ULL << 40, L"1,0 TB"},
               {UINT64_MAX, L"16777216,0 TB"}};
  for (const auto& c : cases) {
    wchar_t buffer[20];
    DiskList::FormatDiskSize(c.bytes, buffer, 20);
    EXPECT_STREQ(c.text, buffer) << c.bytes;
  }
  wchar_t small[4];
  DiskList::FormatDiskSize(500107862016ULL, small, 4);
  EXPECT_EQ(3u, wcslen(small));
}

}  // namespace
