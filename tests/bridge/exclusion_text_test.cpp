#include "TidewellLink/exclusion_text.h"

#include <gtest/gtest.h>

namespace {

std::wstring Units(const wchar_t* text, size_t count) { return std::wstring(text, count); }

TEST(ExclusionTextBuild, SkipsEmptyEntriesAndEndsInThreeNuls)
{
    std::vector<wchar_t> buffer;
    const wchar_t* text = BuildExclusionText({L"C:\\Temp", L"", L"D:\\x"}, buffer);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(buffer.size(), 16u);  // total 13 + 3
    EXPECT_EQ(Units(text, 15), std::wstring(L"C:\\Temp\0D:\\x\0\0\0", 15));
}

TEST(ExclusionTextBuild, NoNonEmptyEntryAnswersNullAndLeavesTheBuffer)
{
    std::vector<wchar_t> buffer(4, L'z');
    EXPECT_EQ(BuildExclusionText({}, buffer), nullptr);
    EXPECT_EQ(BuildExclusionText({L"", L""}, buffer), nullptr);
    EXPECT_EQ(buffer, std::vector<wchar_t>(4, L'z'));
}

TEST(ExclusionTextBuild, BufferGrowsButNeverShrinks)
{
    std::vector<wchar_t> buffer;
    ASSERT_NE(BuildExclusionText({L"abcdefgh", L"ijkl"}, buffer), nullptr);
    EXPECT_EQ(buffer.size(), 17u);
    const wchar_t* shorter = BuildExclusionText({L"a"}, buffer);
    ASSERT_NE(shorter, nullptr);
    EXPECT_EQ(buffer.size(), 17u);
    EXPECT_EQ(Units(shorter, 4), std::wstring(L"a\0\0\0", 4));

    // total + 3 equal to the length: reused as it is.
    std::vector<wchar_t> exact(5, L'z');
    const wchar_t* data = exact.data();
    EXPECT_EQ(BuildExclusionText({L"a"}, exact), data);
    EXPECT_EQ(exact.size(), 5u);
}

TEST(ExclusionTextParse, StopsAtTheFirstEmptyEntry)
{
    EXPECT_EQ(ParseExclusionText(L"a\0b\0\0"), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_TRUE(ParseExclusionText(L"\0a\0\0").empty());
    EXPECT_EQ(ParseExclusionText(L"a\0\0b\0\0"), (std::vector<std::wstring>{L"a"}));
    EXPECT_EQ(ParseExclusionText(L"x\0x\0\0"), (std::vector<std::wstring>{L"x", L"x"}));
    EXPECT_TRUE(ParseExclusionText(nullptr).empty());
}

TEST(ExclusionTextParse, RoundTripsABuiltText)
{
    std::vector<wchar_t> buffer;
    std::vector<std::wstring> entries{L"C:\\Windows", L"D:\\Games\\big.iso"};
    EXPECT_EQ(ParseExclusionText(BuildExclusionText(entries, buffer)), entries);
}

}  // namespace
