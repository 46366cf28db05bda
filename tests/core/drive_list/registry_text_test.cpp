#include "core/drive_list/registry_text.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace {

const wchar_t kKey[] = L"Software\\TidewellTests\\RegistryText";

TEST(RegistryTextTest, ReadsStayInsideTheBufferWhateverIsStored) {
  const DWORD dc_number = 0x00430044;  // "DC" as UTF-16 code units
  const struct {
    DWORD type;
    const void* stored;
    DWORD bytes;  // an odd count or one without the terminator leaves the text unterminated
    size_t capacity;
    FullRoom full_room;
    LONG result;
    const wchar_t* text;
  } cases[] = {
      {REG_SZ, L"hello", 12, 8, FullRoom::TooLong, ERROR_SUCCESS, L"hello"},
      {REG_SZ, L"abc", 6, 8, FullRoom::TooLong, ERROR_SUCCESS, L"abc"},
      {REG_SZ, L"abcd", 8, 5, FullRoom::TooLong, ERROR_SUCCESS, L"abcd"},
      // No room for the terminator: too long, or the text ends at the room's end. (A NUL
      // right behind the stored bytes would make the registry add a terminator.)
      {REG_SZ, L"abcdZ", 8, 4, FullRoom::TooLong, ERROR_MORE_DATA, L""},
      {REG_SZ, L"abcdZ", 8, 4, FullRoom::EndsAtRoomEnd, ERROR_SUCCESS, L"abcd"},
      {REG_SZ, L"abcdefgh", 18, 4, FullRoom::TooLong, ERROR_MORE_DATA, L""},
      {REG_SZ, L"abcdefgh", 18, 4, FullRoom::EndsAtRoomEnd, ERROR_MORE_DATA, L""},
      {REG_DWORD, &dc_number, 4, 8, FullRoom::TooLong, ERROR_SUCCESS, L"DC"},  // any type
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "type " << c.type << ", " << c.bytes << " bytes in " << c.capacity);
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"V", c.type, c.stored, c.bytes));
    wchar_t buffer[9];
    wmemset(buffer, L'Z', 9);
    EXPECT_EQ(c.result,
              ReadRegistryText(HKEY_CURRENT_USER, kKey, L"V", buffer, c.capacity, c.full_room));
    EXPECT_EQ(std::wstring(c.text), std::wstring(buffer, wcsnlen(buffer, c.capacity)));
    EXPECT_EQ(L'Z', buffer[c.capacity]);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
}

}  // namespace
