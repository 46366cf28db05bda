#include "core/drive_list.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <string>

#include "core/registry_text.h"

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

std::wstring StoredSelection() {
  wchar_t text[300];
  if (ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, L"SelectedDrives", text, 300, true) !=
      ERROR_SUCCESS)
    return L"<missing>";
  return text;
}

std::wstring Letters(const DiskList& list, bool selected_only) {
  std::wstring s;
  for (const DiskInfo& d : list.disks)
    if (!selected_only || d.selected) s += d.letter;
  return s;
}

class DriveListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_drives.clear();
    TearDown();
  }
  void TearDown() override {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, g_settings_key, L"SelectedDrives");
  }
};

TEST_F(DriveListTest, ListsOnlyFixedAndRemovableDrivesWithAMedium) {
  g_drives[L'A'] = {DRIVE_REMOVABLE, L"", true};
  g_drives[L'C'] = {DRIVE_FIXED, L"System", false, true, false, 500107862016ULL, 1ULL << 30};
  g_drives[L'D'] = {DRIVE_CDROM, L"CD"};
  g_drives[L'E'] = {DRIVE_REMOVABLE, L"", false, false};
  g_drives[L'F'] = {DRIVE_REMOVABLE, L"Stick"};
  g_drives[L'N'] = {DRIVE_REMOTE, L"Share"};
  g_drives[L'R'] = {DRIVE_RAMDISK, L""};
  DiskList list;
  list.LoadDriveList(kFake);
  EXPECT_EQ(L"CF", Letters(list, false));
  const DiskInfo& c = list.disks[0];
  EXPECT_STREQ(L"C:\\", c.root_path);
  EXPECT_STREQ(L"System (C:)", c.display_name);
  EXPECT_STREQ(L"465,8 GB", c.size_text);
  EXPECT_STREQ(L"1,0 GB", c.free_text);
  EXPECT_EQ(static_cast<uint32_t>(DRIVE_FIXED), c.drive_type);
  EXPECT_EQ(static_cast<uint32_t>(DRIVE_REMOVABLE), list.disks[1].drive_type);
}

TEST_F(DriveListTest, MissingSelectionSelectsFixedDrivesAndStoresThemAtOnce) {
  g_drives[L'C'] = {};
  g_drives[L'F'] = {DRIVE_REMOVABLE, L""};
  g_drives[L'G'] = {};
  DiskList list;
  list.LoadDriveList(kFake);
  EXPECT_EQ(L"CG", Letters(list, true));
  EXPECT_EQ(L"CG", StoredSelection());
  // The default is written with the whole 522-byte room.
  DWORD bytes = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, g_settings_key, L"SelectedDrives",
                                        RRF_RT_ANY, nullptr, nullptr, &bytes));
  EXPECT_EQ(522u, bytes);
}

TEST_F(DriveListTest, StoredSelectionIsMatchedExactly) {
  g_drives[L'C'] = {};
  g_drives[L'D'] = {};
  g_drives[L'E'] = {DRIVE_REMOVABLE, L""};
  const struct {
    std::wstring stored;
    DWORD type;
    DWORD bytes;  // 0: the text and its terminator
    const wchar_t* selected;
    const wchar_t* stored_after;
  } cases[] = {
      {L"DXc", REG_SZ, 0, L"D", L"DXc"},  // case-sensitive, foreign letters ignored, kept
      {L"EC", REG_SZ, 0, L"CE", L"EC"},   // list order, removable drives too
      {L"", REG_SZ, 0, L"", L""},         // empty: nothing selected, no default restored
      // Longer than the 261-unit room: unreadable, so the default replaces it.
      {std::wstring(300, L'E'), REG_SZ, 0, L"CD", L"CD"},
      // "D" of another type without its terminator: what lies behind it must not count.
      {L"DC", REG_BINARY, 2, L"D", L"D"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "stored: " << c.stored.substr(0, 8));
    const DWORD bytes =
        c.bytes != 0 ? c.bytes : static_cast<DWORD>((c.stored.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, g_settings_key,
                                             L"SelectedDrives", c.type, c.stored.c_str(), bytes));
    DiskList list;
    list.LoadDriveList(kFake);
    EXPECT_EQ(c.selected, Letters(list, true));
    EXPECT_EQ(c.stored_after, StoredSelection());
  }
}

TEST_F(DriveListTest, LabelsAndDisplayNames) {
  g_drives[L'C'] = {};
  g_drives[L'D'] = {DRIVE_FIXED, L"Lost", false, true, true};
  g_drives[L'E'] = {DRIVE_FIXED, L"A label far longer than the room has"};
  g_drives[L'F'] = {DRIVE_FIXED, std::wstring(24, L'x')};
  DiskList list;
  list.LoadDriveList(kFake);
  ASSERT_EQ(4u, list.size());
  EXPECT_STREQ(L" (C:)", list.disks[0].display_name);
  EXPECT_STREQ(L" (D:)", list.disks[1].display_name);
  // A long label is shortened; the letter part always stays.
  EXPECT_STREQ(L"A label far longer than  (E:)", list.disks[2].display_name);
  EXPECT_EQ((std::wstring(24, L'x') + L" (F:)"), list.disks[3].display_name);
}

TEST_F(DriveListTest, SecondLoadNeitherDuplicatesNorMovesTheRecords) {
  g_drives[L'C'] = {};
  DiskList list;
  list.LoadDriveList(kFake);
  const DiskInfo* first = list.disks.data();
  g_drives[L'H'] = {};
  for (int i = 0; i < 3; ++i) list.LoadDriveList(kFake);
  EXPECT_EQ(L"CH", Letters(list, false));
  EXPECT_EQ(first, list.disks.data());
}

TEST_F(DriveListTest, RealDrivesOfThePrefix) {
  // A wine prefix has C: and Z:, both fixed.
  DiskList list;
  list.LoadDriveList();
  EXPECT_NE(std::wstring::npos, Letters(list, false).find(L'C'));
  for (const DiskInfo& d : list.disks) {
    EXPECT_EQ(d.letter, d.root_path[0]);
    EXPECT_NE(nullptr, wcsstr(d.size_text, L" GB")) << d.size_text;
  }
  EXPECT_FALSE(DiskList::IsFloppyDrive(L"C:\\"));
}

TEST(FormatDiskSizeTest, BinaryUnitsWithACommaSeparator) {
  const struct {
    uint64_t bytes;
    const wchar_t* text;
  } cases[] = {
      {0, L"0,0 GB"},
      {500107862016ULL, L"465,8 GB"},
      {(1ULL << 40) - 1, L"1024,0 GB"},
      {1ULL << 40, L"1,0 TB"},
      {UINT64_MAX, L"16777216,0 TB"},
  };
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
