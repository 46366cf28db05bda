// Binding the bridge by name: all 58 functions or none.
#include <gtest/gtest.h>

#include <string>

#include "core/engine_functions.h"

namespace {

std::wstring BesideTheTest(const wchar_t* file_name)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    directory.resize(directory.find_last_of(L'\\') + 1);
    return directory + file_name;
}

int BoundSlots()
{
    int bound = 0;
#define TW_COUNT_BOUND(name, ordinal, result, params, args, fallback) \
    bound += g_engine_functions.name != nullptr ? 1 : 0;
    TW_LINK_EXPORTS(TW_COUNT_BOUND)
#undef TW_COUNT_BOUND
    return bound;
}

class EngineBinding : public ::testing::Test {
protected:
    void TearDown() override { UnbindEngineLibrary(); }
};

}  // namespace

TEST_F(EngineBinding, MissingLibraryLeavesTheTableEmpty)
{
    EXPECT_EQ(0, BindEngineLibraryFrom(BesideTheTest(L"no_such_bridge.dll").c_str()));
    EXPECT_EQ(nullptr, g_engine_module);
    EXPECT_EQ(0, BoundSlots());
}

TEST_F(EngineBinding, CompleteLibraryBindsEverySlot)
{
    const std::wstring path = BesideTheTest(L"standin_link_complete.dll");
    ASSERT_EQ(1, BindEngineLibraryFrom(path.c_str()));
    EXPECT_NE(nullptr, g_engine_module);
    EXPECT_EQ(TW_LINK_EXPORT_COUNT, BoundSlots());
    EXPECT_EQ(0, g_engine_functions.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1));

    UnbindEngineLibrary();
    EXPECT_EQ(nullptr, g_engine_module);
    EXPECT_EQ(0, BoundSlots());
    EXPECT_EQ(nullptr, GetModuleHandleW(path.c_str()));
}

TEST_F(EngineBinding, OneMissingNameBindsNothing)
{
    for (const wchar_t* file : {L"standin_link_no_report.dll", L"standin_link_no_drive_name.dll"}) {
        const std::wstring path = BesideTheTest(file);
        EXPECT_EQ(0, BindEngineLibraryFrom(path.c_str()));
        EXPECT_EQ(nullptr, g_engine_module);
        EXPECT_EQ(0, BoundSlots());
        // The library was loaded and released again.
        EXPECT_EQ(nullptr, GetModuleHandleW(path.c_str()));
    }
}

TEST_F(EngineBinding, BareNameIsSearchedInTheCurrentDirectory)
{
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(BesideTheTest(L"").c_str());
    // No "TidewellLink.dll" beside the tests: the programs' subdirectory holds it.
    EXPECT_EQ(0, BindEngineLibrary());
    EXPECT_EQ(0, BoundSlots());
    SetCurrentDirectoryW(saved);
}
