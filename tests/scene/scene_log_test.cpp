// The on-screen log's queue, slide and fade, driven frame by frame without a window.
#include <gtest/gtest.h>

#include <vector>

#include "core/drive_list.h"
#include "core/saver_scene.h"

namespace {

class SceneLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The values Create computes for a 1024-pixel-wide layout.
        scene.scale = 1.0;
        scene.line_height = 24;
        scene.scroll_accel = (1.0 - 16.0) / (2 * 24);
        for (int i = 0; i < 4; ++i)
            scene.log_grey_step[i] = double(scene.log_grey[i] - scene.log_grey[i + 1]) / 24;
        scene.log_grey_step[4] = double(scene.log_grey[4]) / 24;
    }

    // Runs frames as Paint does (only while sliding); returns the offsets drawn.
    std::vector<int> RunSlide()
    {
        std::vector<int> offsets;
        for (int frame = 0; frame < 1000 && scene.scrolling; ++frame) {
            scene.ScrollLog();
            offsets.push_back(scene.scroll_offset);
        }
        return offsets;
    }

    DiskList drives;
    SaverScene scene{&drives, false};
};

}  // namespace

TEST_F(SceneLog, FirstMessageShowsAtOnceAndTheSecondSlidesIn)
{
    scene.AddLogMessage(L"one");
    EXPECT_EQ(L"one", scene.log_lines[0]);
    EXPECT_FALSE(scene.scrolling);
    EXPECT_TRUE(scene.pending_log.empty());

    scene.AddLogMessage(L"two");
    EXPECT_TRUE(scene.scrolling);
    EXPECT_EQ(L"one", scene.log_lines[0]);
    EXPECT_EQ(std::vector<int>({4, 8, 12, 16, 19, 22, 24, 0}), RunSlide());
    EXPECT_EQ(L"two", scene.log_lines[0]);
    EXPECT_EQ(L"one", scene.log_lines[1]);
    EXPECT_FALSE(scene.scrolling);
}

TEST_F(SceneLog, MessagesAddedInOneFrameSlideInBackToBack)
{
    scene.AddLogMessage(L"first");
    scene.AddLogMessage(L"a");
    scene.AddLogMessage(L"b");
    scene.AddLogMessage(L"c");
    const std::vector<int> one_slide = {4, 8, 12, 16, 19, 22, 24, 0};
    std::vector<int> expected;
    for (int i = 0; i < 3; ++i) expected.insert(expected.end(), one_slide.begin(), one_slide.end());
    EXPECT_EQ(expected, RunSlide());
    EXPECT_EQ(L"c", scene.log_lines[0]);
    EXPECT_EQ(L"b", scene.log_lines[1]);
    EXPECT_EQ(L"a", scene.log_lines[2]);
    EXPECT_EQ(L"first", scene.log_lines[3]);
}

TEST_F(SceneLog, MessageDuringASlideDoesNotRestartIt)
{
    scene.AddLogMessage(L"first");
    scene.AddLogMessage(L"a");
    scene.ScrollLog();
    scene.ScrollLog();
    const double speed = scene.scroll_speed;
    scene.AddLogMessage(L"b");
    EXPECT_EQ(8, scene.scroll_offset);
    EXPECT_EQ(speed, scene.scroll_speed);
}

TEST_F(SceneLog, OldestLineIsDroppedAfterFive)
{
    for (int i = 0; i < 7; ++i) scene.AddLogMessage(std::to_wstring(i));
    RunSlide();
    EXPECT_EQ(L"6", scene.log_lines[0]);
    EXPECT_EQ(L"2", scene.log_lines[4]);
}

TEST_F(SceneLog, EmptyFirstMessageLeavesTheLogLookingEmpty)
{
    scene.AddLogMessage(L"");
    EXPECT_FALSE(scene.scrolling);
    scene.AddLogMessage(L"next");
    EXPECT_EQ(L"next", scene.log_lines[0]);
    EXPECT_FALSE(scene.scrolling);
}

TEST_F(SceneLog, QueueHoldsAtMost101Messages)
{
    scene.AddLogMessage(L"shown");
    for (int i = 0; i < 102; ++i) scene.AddLogMessage(L"m" + std::to_wstring(i));
    EXPECT_EQ(101u, scene.pending_log.size());
    EXPECT_EQ(L"m100", scene.pending_log.back());

    for (int frame = 0; frame < 8; ++frame) scene.ScrollLog();  // one message comes in
    EXPECT_EQ(100u, scene.pending_log.size());
    scene.AddLogMessage(L"accepted");
    EXPECT_EQ(L"accepted", scene.pending_log.back());
}

TEST_F(SceneLog, ReplacingTheNewestEntryTargetsTheQueueWhileMessagesWait)
{
    scene.AddLogMessage(L"Analyzing C:\\");
    scene.ReplaceNewestLogEntry(L"Analyzing C:\\ (5%)");
    EXPECT_EQ(L"Analyzing C:\\ (5%)", scene.log_lines[0]);
    EXPECT_FALSE(scene.scrolling);

    scene.AddLogMessage(L"Defragmenting C:\\");
    scene.ReplaceNewestLogEntry(L"Defragmenting C:\\ (1%)");
    EXPECT_EQ(L"Analyzing C:\\ (5%)", scene.log_lines[0]);
    EXPECT_EQ(L"Defragmenting C:\\ (1%)", scene.pending_log.back());
    EXPECT_EQ(1u, scene.pending_log.size());
}

TEST_F(SceneLog, SlideWithNothingQueuedStops)
{
    scene.AddLogMessage(L"only");
    scene.scrolling = true;  // as if a slide ran on with an emptied queue
    scene.scroll_offset = scene.line_height;
    scene.ScrollLog();
    EXPECT_FALSE(scene.scrolling);
    EXPECT_EQ(0, scene.scroll_offset);
    EXPECT_EQ(L"only", scene.log_lines[0]);
}

TEST_F(SceneLog, LinesFadeTowardTheGreyBelow)
{
    scene.scroll_offset = 12;
    EXPECT_EQ(197, scene.LogLineGrey(0));
    EXPECT_EQ(116, scene.LogLineGrey(1));
    EXPECT_EQ(76, scene.LogLineGrey(2));
    EXPECT_EQ(44, scene.LogLineGrey(3));
    EXPECT_EQ(14, scene.LogLineGrey(4));
    scene.scroll_offset = 24;
    EXPECT_EQ(140, scene.LogLineGrey(0));
    EXPECT_EQ(92, scene.LogLineGrey(1));
    EXPECT_EQ(60, scene.LogLineGrey(2));
    EXPECT_EQ(29, scene.LogLineGrey(3));
    EXPECT_EQ(0, scene.LogLineGrey(4));
}
