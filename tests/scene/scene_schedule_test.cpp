// The schedule, the two settings and the end of a cycle, without a window or an engine.
#include <gtest/gtest.h>

#include <climits>
#include <cwchar>

#include "core/drive_list.h"
#include "core/registry_text.h"
#include "core/saver_scene.h"
#include "tests/scene/scene_test_support.h"

namespace {

int64_t g_test_now = 0;
bool g_test_preview = false;

const wchar_t kSelectOne[] = L"Select at least one disk to be defragmented by the screensaver.";

class SceneSchedule : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_test_now = 1700000000;
        g_test_preview = false;
        scene.clock = [] { return g_test_now; };
        scene.is_preview = [] { return g_test_preview; };
    }
    void TearDown() override { DeleteSceneSettings(); }

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
    EXPECT_EQ(L"(absent)", StoredLastDefrag());
}

TEST_F(SceneSchedule, StoredTimeInTheFutureShowsDaysAndNeverOverflows)
{
    struct Case {
        int64_t ahead;
        const wchar_t* text;
    } cases[] = {
        {84599, L"Time until next defragmentation 23:59:59"},
        {84600, L"Time until next defragmentation: about 1 Day"},
        {88200, L"Time until next defragmentation: about 1 Day and 1 Hour"},
        {172800, L"Time until next defragmentation: about 2 Days"},
        {INT64_MAX - 1700000000,
         L"Time until next defragmentation: about 106751991147624 Days and 17 Hours"},
    };
    for (const Case& c : cases) {
        scene.last_defrag = g_test_now + c.ahead;
        scene.UpdateSchedule();
        EXPECT_EQ(c.text, scene.schedule_line) << c.ahead;
        EXPECT_EQ(Idle, scene.cycle_state.load());
    }
    // The farthest past starts a cycle.
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
    AddDrive(&drives, L"C:\\", true);
    scene.UpdateSchedule();
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
    EXPECT_EQ(0, scene.current_drive);
    EXPECT_EQ(L"", scene.log_lines[0]);
}

TEST_F(SceneSchedule, SettingsAreReadWithinTheirRoom)
{
    // A raw stored value: `bytes` bytes of `text`, so with or without a terminator.
    struct Stored {
        const wchar_t* text;  // nullptr: absent
        DWORD bytes;
        DWORD type;
    };
    const DWORD number = 5;
    const wchar_t* as_text = reinterpret_cast<const wchar_t*>(&number);
    const wchar_t padded[23] = L"123";
    struct Case {
        Stored last_defrag;
        Stored idle_animation;
        int64_t expected_last_defrag;
        bool expected_idle_animation;
    } cases[] = {
        {{nullptr, 0, 0}, {nullptr, 0, 0}, 0, true},
        {{L"1700000000", 22, REG_SZ}, {L"0", 4, REG_SZ}, 1700000000, false},
        {{L"  -42xyz", 18, REG_SZ}, {L"2", 4, REG_SZ}, -42, true},
        {{L"abc", 8, REG_SZ}, {L"abc", 8, REG_SZ}, 0, false},
        // The longest real value; one character more is read as absent.
        {{L"-9223372036854775808", 42, REG_SZ}, {nullptr, 0, 0}, INT64_MIN, true},
        {{L"1234567890123456789012", 46, REG_SZ}, {L"0000000000000000000000", 46, REG_SZ}, 0, true},
        // Without a terminator: read within the stored length; filling the room is too long.
        {{L"17000000009999", 20, REG_SZ}, {L"0", 2, REG_SZ}, 1700000000, false},
        {{L"1111111111111111111111", 44, REG_SZ}, {nullptr, 0, 0}, 0, true},
        // Zeros behind the text count toward the size: 44 bytes fit, 46 do not.
        {{padded, 44, REG_SZ}, {padded, 44, REG_SZ}, 123, true},
        {{padded, 46, REG_SZ}, {padded, 46, REG_SZ}, 0, true},
        // Not text at all.
        {{as_text, 4, REG_DWORD}, {as_text, 4, REG_DWORD}, 0, true},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index++);
        DeleteSceneSettings();
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, nullptr, 0,
                                                 KEY_SET_VALUE, nullptr, &key, nullptr));
        const std::pair<const wchar_t*, const Stored*> values[] = {
            {L"LastDefrag", &c.last_defrag}, {L"IdleAnimation", &c.idle_animation}};
        for (const auto& value : values)
            if (value.second->text != nullptr)
                RegSetValueExW(key, value.first, 0, value.second->type,
                               reinterpret_cast<const BYTE*>(value.second->text),
                               value.second->bytes);
        RegCloseKey(key);

        scene.last_defrag = 12345;
        scene.idle_animation = !c.expected_idle_animation;
        scene.LoadSettings();
        EXPECT_EQ(c.expected_last_defrag, scene.last_defrag);
        EXPECT_EQ(c.expected_idle_animation, scene.idle_animation);
    }
}

TEST_F(SceneSchedule, EndOfCycleWritesTheTimeOutsidePreview)
{
    scene.last_defrag = 5;
    scene.NextDrive();  // no drive left: the cycle ends
    EXPECT_EQ(Idle, scene.cycle_state.load());
    EXPECT_EQ(g_test_now, scene.last_defrag);
    EXPECT_EQ(g_vendor_line, scene.status_line);
    EXPECT_EQ(-1, scene.idle_position);
    EXPECT_EQ(g_test_now, scene.cycle_end_time);
    EXPECT_EQ(ExpectedEndLine(g_test_now), scene.log_lines[0]);
    EXPECT_EQ(L"1700000000", StoredLastDefrag());

    // In preview nothing is renewed or written.
    g_test_preview = true;
    g_test_now += 50;
    scene.NextDrive();
    EXPECT_EQ(1700000000, scene.last_defrag);
    EXPECT_EQ(g_test_now, scene.cycle_end_time);
    EXPECT_EQ(L"1700000000", StoredLastDefrag());
}

TEST_F(SceneSchedule, EndOfCycleLineShowsTheLocalTimeOrNothing)
{
    for (int64_t when : {int64_t(1700000000), int64_t(1700050000), int64_t(86400 * 2), int64_t(0),
                         int64_t(-1), INT64_MIN, INT64_MAX}) {
        SaverScene fresh(&drives, false);
        fresh.last_defrag = when;
        fresh.LogLastDefragTime();
        // A time the runtime cannot convert gives no line at all.
        EXPECT_EQ(when >= 0 && when != INT64_MAX ? ExpectedEndLine(when) : L"", fresh.log_lines[0])
            << when;
    }
}
