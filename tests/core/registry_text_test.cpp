#include "core/registry_text.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

const wchar_t kKey[] = L"Software\\TidewellTests\\RegistryText";

class RegistryTextTest : public ::testing::Test {
 protected:
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
  void SetRaw(DWORD type, const void* data, DWORD bytes) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE,
                                             nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key, L"V", 0, type, static_cast<const BYTE*>(data), bytes));
    RegCloseKey(key);
  }
  LONG Read(wchar_t* buffer, size_t capacity, bool any_type = false) {
    return ReadRegistryText(HKEY_CURRENT_USER, kKey, L"V", buffer, capacity, any_type);
  }
};

TEST_F(RegistryTextTest, ReadsStayInsideTheBufferWhateverIsStored) {
  const struct {
    const wchar_t* stored;
    DWORD bytes;  // an odd count or one without the terminator leaves the text unterminated
    size_t capacity;
    LONG result;
    const wchar_t* text;
  } cases[] = {
      {L"hello", 12, 8, ERROR_SUCCESS, L"hello"},
      {L"abc", 6, 8, ERROR_SUCCESS, L"abc"},
      {L"abcd", 8, 5, ERROR_SUCCESS, L"abcd"},
      {L"abcd", 8, 4, ERROR_MORE_DATA, L""},  // no room left for the terminator
      {L"abcdefgh", 18, 4, ERROR_MORE_DATA, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.stored << " in " << c.capacity);
    SetRaw(REG_SZ, c.stored, c.bytes);
    wchar_t buffer[9];
    wmemset(buffer, L'Z', 9);
    EXPECT_EQ(c.result, Read(buffer, c.capacity));
    EXPECT_STREQ(c.text, buffer);
    EXPECT_EQ(L'Z', buffer[c.capacity]);
  }
}

TEST_F(RegistryTextTest, OtherTypesCountAsMissingUnlessAccepted) {
  DWORD number = 0x00430044;  // "DC" as UTF-16 code units
  SetRaw(REG_DWORD, &number, 4);
  wchar_t buffer[8];
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Read(buffer, 8));
  ASSERT_EQ(ERROR_SUCCESS, Read(buffer, 8, true));
  EXPECT_STREQ(L"DC", buffer);
}

}  // namespace
