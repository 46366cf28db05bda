// The schedule, the settings and the end-of-cycle line, without a window or an engine.
#include <gtest/gtest.h>

#include <climits>
#include <cwchar>

#include "core/drive_list.h"
#include "core/engine_functions.h"
#include "core/registry_text.h"
#include "core/saver_scene.h"
#include "tests/scene/scene_test_support.h"

namespace {

int64_t g_test_now = 0;
int64_t TestClock()
{
    return g_test_now;
}
bool g_test_preview = false;
bool TestPreview()
{
    return g_test_preview;
}

const wchar_t kSelectOne[] = L"Select at least one disk to be defragmented by the screensaver.";

class SceneSchedule : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_test_now = 1700000000;
        g_test_preview = false;
        scene.clock = TestClock;
        scene.is_preview = TestPreview;
    }

    DiskList drives;
    SaverScene scene{&drives, false};
};

}  // namespace

TEST_F(SceneSchedule, CountdownFromTheLastDefragmentation)
{
    scene.last_defrag = g_test_now;
    scene.UpdateSchedule();
    EXPECT_EQ(g_test_now, scene.now);
    EXPECT_EQ(L"Time until next defragmentation 00:30:00", scene.schedule_line);

    g_test_now += 1799;
    scene.UpdateSchedule();
    EXPECT_EQ(L"Time until next defragmentation 00:00:01", scene.schedule_line);
    EXPECT_EQ(Idle, scene.cycle_state.load());

    g_test_now += 1;
    scene.UpdateSchedule();
    EXPECT_EQ(L"", scene.schedule_line);
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
    // No drive is selected: one message, and no further cycle while the scene lives.
    EXPECT_EQ(kSelectOne, scene.log_lines[0]);
    g_test_now += 100000;
    scene.UpdateSchedule();
    EXPECT_EQ(L"", scene.schedule_line);
    EXPECT_TRUE(scene.pending_log.empty());
}

TEST_F(SceneSchedule, StoredTimeInTheFutureShowsDays)
{
    struct Case {
        int64_t ahead;
        const wchar_t* text;
    } cases[] = {
        {84599, L"Time until next defragmentation 23:59:59"},
        {84600, L"Time until next defragmentation: about 1 Day"},
        {88200, L"Time until next defragmentation: about 1 Day and 1 Hour"},
        {172800, L"Time until next defragmentation: about 2 Days"},
    };
    for (const Case& c : cases) {
        scene.last_defrag = g_test_now + c.ahead;
        scene.UpdateSchedule();
        EXPECT_EQ(c.text, scene.schedule_line) << c.ahead;
    }
}

TEST_F(SceneSchedule, ExtremeStoredTimesNeitherOverflowNorStall)
{
    scene.last_defrag = INT64_MAX;
    scene.UpdateSchedule();
    EXPECT_EQ(Idle, scene.cycle_state.load());
    EXPECT_EQ(0u, scene.schedule_line.find(L"Time until next defragmentation: about 1067519"))
        << std::string(scene.schedule_line.begin(), scene.schedule_line.end());

    scene.last_defrag = INT64_MIN;
    scene.UpdateSchedule();
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
}

TEST_F(SceneSchedule, PreviewStartsAtOnceAndLeavesTheScheduleLine)
{
    g_test_preview = true;
    scene.last_defrag = g_test_now;
    scene.schedule_line = L"untouched";
    scene.UpdateSchedule();
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
    EXPECT_EQ(L"untouched", scene.schedule_line);
    EXPECT_EQ(kSelectOne, scene.log_lines[0]);
}

TEST_F(SceneSchedule, WithoutTheBridgeASelectedDriveRestsWithoutMessages)
{
    DiskInfo disk;
    wcscpy(disk.root_path, L"C:\\");
    disk.selected = 1;
    drives.disks.push_back(disk);
    scene.UpdateSchedule();
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
    EXPECT_EQ(0, scene.current_drive);
    EXPECT_EQ(L"", scene.log_lines[0]);
}

TEST_F(SceneSchedule, CallbacksDoNothingUntilEnabled)
{
    OnEngineProgress();
    EXPECT_FALSE(scene.progress_pending.load());
    scene.callbacks_enabled = true;
    OnEngineProgress();
    EXPECT_TRUE(scene.progress_pending.load());
    scene.progress_pending = false;
    SaverScene* saved = g_scene;
    g_scene = nullptr;
    OnEngineProgress();
    OnEngineClusters(0, 10, 3);
    g_scene = saved;
    EXPECT_FALSE(scene.progress_pending.load());
}

TEST_F(SceneSchedule, ReportIsHandledOnTheTickAndOnlyForAListedDrive)
{
    // A report left over when no drive of the list is current touches nothing (the
    // table is empty here: any bridge call would fail the test).
    scene.engine_loaded = 1;
    scene.volume_handle = 3;
    scene.current_drive = -1;
    scene.cycle_state = Analyzing;
    scene.callbacks_enabled = true;
    OnEngineProgress();
    scene.UpdateSchedule();
    EXPECT_FALSE(scene.progress_pending.load());
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
    EXPECT_EQ(L"", scene.log_lines[0]);
}

TEST_F(SceneSchedule, StatusLineIsFittedWithTheSceneMeasure)
{
    scene.grid_width = 24;
    scene.measure_text = [](const wchar_t*, int length) { return length; };
    EXPECT_EQ(L"C:\\Windows\\Syst...\\hosts",
              scene.FitPathToWidth(L"C:\\Windows\\System32\\drivers\\etc\\hosts"));
    EXPECT_EQ(L"C:\\short", scene.FitPathToWidth(L"C:\\short"));
}

TEST(SceneNumbers, FormatsForTheLog)
{
    EXPECT_EQ(L"100", SaverScene::FormatInt64(100));
    EXPECT_EQ(L"-5", SaverScene::FormatInt(-5));
    EXPECT_EQ(L"-2147483648", SaverScene::FormatInt(INT32_MIN));
    EXPECT_EQ(L"-9,223,372,036,854,775,808", SaverScene::FormatInt64Grouped(INT64_MIN));
}

// --- the two settings ---

namespace {

class SceneSettings : public SceneSchedule {
protected:
    void TearDown() override { DeleteSceneSettings(); }

    // Stores exactly `chars` characters, without a terminator unless it is among them.
    static void StoreRaw(const wchar_t* name, const wchar_t* text, size_t chars,
                         DWORD type = REG_SZ)
    {
        ASSERT_EQ(ERROR_SUCCESS, WriteRegistryBytes(HKEY_CURRENT_USER, g_settings_key, name, text,
                                                    static_cast<DWORD>(chars * sizeof(wchar_t))));
        if (type != REG_SZ) {
            HKEY key = nullptr;
            ASSERT_EQ(ERROR_SUCCESS,
                      RegOpenKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, KEY_SET_VALUE, &key));
            RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text),
                           static_cast<DWORD>(chars * sizeof(wchar_t)));
            RegCloseKey(key);
        }
    }

    static void Store(const wchar_t* name, const wchar_t* text)
    {
        StoreRaw(name, text, wcslen(text) + 1);
    }

    void Load()
    {
        scene.last_defrag = 12345;
        scene.idle_animation = false;
        scene.LoadSettings();
    }
};

}  // namespace

TEST_F(SceneSettings, AbsentValuesGiveTheDefaults)
{
    Load();
    EXPECT_EQ(0, scene.last_defrag);
    EXPECT_TRUE(scene.idle_animation);
}

TEST_F(SceneSettings, StoredValuesAreRead)
{
    Store(L"LastDefrag", L"1700000000");
    Store(L"IdleAnimation", L"0");
    Load();
    EXPECT_EQ(1700000000, scene.last_defrag);
    EXPECT_FALSE(scene.idle_animation);

    Store(L"LastDefrag", L"  -42xyz");
    Store(L"IdleAnimation", L"2");
    Load();
    EXPECT_EQ(-42, scene.last_defrag);
    EXPECT_TRUE(scene.idle_animation);
}

TEST_F(SceneSettings, TextThatIsNoNumber)
{
    Store(L"LastDefrag", L"abc");
    Store(L"IdleAnimation", L"abc");
    Load();
    EXPECT_EQ(0, scene.last_defrag);
    EXPECT_FALSE(scene.idle_animation);
}

TEST_F(SceneSettings, TooLongValuesReadAsAbsent)
{
    Store(L"LastDefrag", L"1234567890123456789012");  // 22 characters
    Store(L"IdleAnimation", L"000000000000000000000000000000000000000000000");
    Load();
    EXPECT_EQ(0, scene.last_defrag);
    EXPECT_TRUE(scene.idle_animation);

    Store(L"LastDefrag", L"-9223372036854775808");  // the longest real value, 20 characters
    Load();
    EXPECT_EQ(INT64_MIN, scene.last_defrag);
}

TEST_F(SceneSettings, UnterminatedValuesAreReadWithinTheirLength)
{
    StoreRaw(L"LastDefrag", L"17000000009999", 10);
    StoreRaw(L"IdleAnimation", L"0", 1);
    Load();
    EXPECT_EQ(1700000000, scene.last_defrag);
    EXPECT_FALSE(scene.idle_animation);

    // Filling the whole room without a terminator: more than 21 characters.
    const wchar_t full[] = L"11111111111111111111111111111111";
    StoreRaw(L"LastDefrag", full, 23);
    Load();
    EXPECT_EQ(0, scene.last_defrag);
}

TEST_F(SceneSettings, ValueOfAnotherTypeIsNotRead)
{
    const DWORD number = 5;
    StoreRaw(L"LastDefrag", reinterpret_cast<const wchar_t*>(&number), 2, REG_DWORD);
    Load();
    EXPECT_EQ(0, scene.last_defrag);
}

TEST_F(SceneSettings, EndOfCycleWritesTheTimeOutsidePreview)
{
    scene.last_defrag = 5;
    scene.NextDrive();  // no drive left: the cycle ends
    EXPECT_EQ(Idle, scene.cycle_state.load());
    EXPECT_EQ(g_test_now, scene.last_defrag);
    EXPECT_EQ(g_vendor_line, scene.status_line);
    EXPECT_EQ(-1, scene.idle_position);
    EXPECT_EQ(g_test_now, scene.cycle_end_time);
    wchar_t text[32] = {};
    ASSERT_EQ(ERROR_SUCCESS,
              ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, L"LastDefrag", text, 32));
    EXPECT_STREQ(L"1700000000", text);

    g_test_preview = true;
    g_test_now += 50;
    scene.NextDrive();
    EXPECT_EQ(1700000000, scene.last_defrag);
    ASSERT_EQ(ERROR_SUCCESS,
              ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, L"LastDefrag", text, 32));
    EXPECT_STREQ(L"1700000000", text);
}

TEST_F(SceneSettings, EndOfCycleLineShowsTheLocalTime)
{
    for (int64_t when : {int64_t(1700000000), int64_t(1700050000), int64_t(86400 * 2)}) {
        SaverScene fresh(&drives, false);
        fresh.last_defrag = when;
        fresh.LogLastDefragTime();
        EXPECT_EQ(ExpectedEndLine(when), fresh.log_lines[0]);
    }
}

TEST_F(SceneSettings, EndOfCycleLineIsSkippedForTimesThatCannotBeConverted)
{
    for (int64_t when : {int64_t(-1), INT64_MIN, INT64_MAX}) {
        SaverScene fresh(&drives, false);
        fresh.last_defrag = when;
        fresh.LogLastDefragTime();
        EXPECT_EQ(L"", fresh.log_lines[0]) << when;
    }
}
