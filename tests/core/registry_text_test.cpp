#include "core/registry_text.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

const wchar_t kKey[] = L"Software\\TidewellTests\\RegistryText";

class RegistryTextTest : public ::testing::Test {
 protected:
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
  void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE,
                                             nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes));
    RegCloseKey(key);
  }
};

TEST_F(RegistryTextTest, RoundTripsText) {
  ASSERT_EQ(ERROR_SUCCESS, WriteRegistryText(HKEY_CURRENT_USER, kKey, L"V", L"hello"));
  wchar_t buffer[16];
  ASSERT_EQ(ERROR_SUCCESS, ReadRegistryText(HKEY_CURRENT_USER, kKey, L"V", buffer, 16));
  EXPECT_STREQ(L"hello", buffer);
}

TEST_F(RegistryTextTest, MissingKeyOrValueIsNotFoundAndEmpty) {
  wchar_t buffer[8] = L"junk";
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadRegistryText(HKEY_CURRENT_USER, kKey, L"V", buffer, 8));
  EXPECT_STREQ(L"", buffer);
  SetRaw(L"Other", REG_SZ, L"x", 4);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadRegistryText(HKEY_CURRENT_USER, kKey, L"V", buffer, 8));
}

TEST_F(RegistryTextTest, UnterminatedValueIsCutAtItsLength) {
  // Three characters stored without a terminator, read into a larger, dirty buffer.
  SetRaw(L"V", REG_SZ, L"abc", 6);
  wchar_t buffer[8];
  wmemset(buffer, L'Z', 8);
  ASSERT_EQ(ERROR_SUCCESS, ReadRegistryText(HKEY_CURRENT_USER, kKey, L"V", buffer, 8));
  EXPECT_STREQ(L"abc", buffer);
}

TEST_F(RegistryTextTest, UnterminatedValueFillingTheBufferStaysInside) {
  SetRaw(L"V", REG_SZ, L"abcd", 8);
  wchar_t buffer[5];
  wmemset(buffer, L'Z', 5);
  // No room is left for the terminator: too long, whatever the platform hands back.
  EXPECT_EQ(ERROR_MORE_DATA, ReadRegistryText(HKEY_CURRENT_USER, kKey, L"V", buffer, 4));
  EXPECT_STREQ(L"", buffer);
  EXPECT_EQ(L'Z', buffer[4]);
  ASSERT_EQ(ERROR_SUCCESS, ReadRegistryText(HKEY_CURRENT_USER, kKey, L"V", buffer, 5));
  EXPECT_STREQ(L"abcd", buffer);
}

TEST_F(RegistryTextTest, TooLongIsMoreData) {
  SetRaw(L"V", REG_SZ, L"abcdefgh", 18);
  wchar_t buffer[4];
  EXPECT_EQ(ERROR_MORE_DATA, ReadRegistryText(HKEY_CURRENT_USER, kKey, L"V", buffer, 4));
  EXPECT_STREQ(L"", buffer);
}

TEST_F(RegistryTextTest, OtherTypesCountAsMissingUnlessAccepted) {
  DWORD number = 0x00430044;  // "DC" as UTF-16 code units
  SetRaw(L"V", REG_DWORD, &number, 4);
  wchar_t buffer[8];
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadRegistryText(HKEY_CURRENT_USER, kKey, L"V", buffer, 8));
  ASSERT_EQ(ERROR_SUCCESS, ReadRegistryText(HKEY_CURRENT_USER, kKey, L"V", buffer, 8, true));
  EXPECT_STREQ(L"DC", buffer);
}

}  // namespace
