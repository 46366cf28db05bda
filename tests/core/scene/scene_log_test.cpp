// The on-screen log's queue and slide, driven frame by frame without a window, and its
// fade as a created scene sets it up.
#include <gtest/gtest.h>

#include <vector>

#include "core/drive_list/drive_list.h"
#include "core/scene/saver_scene.h"
#include "tests/core/scene/scene_test_support.h"

namespace {

// The offsets of one slide at scale 1.0; the eighth frame brings the line in.
const std::vector<int> kOneSlide = {4, 8, 12, 16, 19, 22, 24, 0};

class SceneLog : public ::testing::Test {
 protected:
  void SetUp() override {
    // What Create sets up for a 1024-pixel-wide window.
    SceneLayout layout;
    ASSERT_TRUE(ComputeSceneLayout(1024, 768, &layout));
    ASSERT_EQ(24, layout.line_height);
    probe.scale = layout.scale;
    probe.line_height = layout.line_height;
    probe.scroll_accel = layout.scroll_accel;
  }

  // Runs frames as Paint does (only while sliding); returns the offsets drawn.
  std::vector<int> RunSlide() {
    std::vector<int> offsets;
    for (int frame = 0; frame < 1000 && probe.scrolling; ++frame) {
      scene.ScrollLog();
      offsets.push_back(probe.scroll_offset);
    }
    return offsets;
  }

  void Add(std::initializer_list<const wchar_t*> messages) {
    for (const wchar_t* message : messages) scene.AddLogMessage(message);
  }

  DiskList drives;
  SaverScene scene{&drives, false};
  SceneProbe probe{scene};
};

}  // namespace

TEST_F(SceneLog, FirstMessageShowsAtOnceAndQueuedOnesSlideInBackToBackDroppingTheOldest) {
  Add({L"0"});
  EXPECT_EQ(L"0", probe.log_lines[0]);
  EXPECT_FALSE(probe.scrolling);
  EXPECT_TRUE(probe.pending_log.empty());

  Add({L"1", L"2", L"3", L"4", L"5", L"6"});
  EXPECT_TRUE(probe.scrolling);
  EXPECT_EQ(L"0", probe.log_lines[0]);
  std::vector<int> expected;
  for (int i = 0; i < 6; ++i) expected.insert(expected.end(), kOneSlide.begin(), kOneSlide.end());
  EXPECT_EQ(expected, RunSlide());
  EXPECT_FALSE(probe.scrolling);
  const wchar_t* shown[] = {L"6", L"5", L"4", L"3", L"2"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(shown[i], probe.log_lines[i]);
}

TEST_F(SceneLog, EmptyFirstMessageAndSlidesWithoutWorkOrRestart) {
  Add({L""});  // leaves the log looking empty: the next message shows at once
  EXPECT_FALSE(probe.scrolling);
  Add({L"next"});
  EXPECT_EQ(L"next", probe.log_lines[0]);
  EXPECT_FALSE(probe.scrolling);

  probe.scrolling = true;  // as if a slide ran on with an emptied queue
  probe.scroll_offset = probe.line_height;
  scene.ScrollLog();
  EXPECT_FALSE(probe.scrolling);
  EXPECT_EQ(0, probe.scroll_offset);
  EXPECT_EQ(L"next", probe.log_lines[0]);

  // A message during a slide does not restart it.
  Add({L"a"});
  scene.ScrollLog();
  scene.ScrollLog();
  const double speed = probe.scroll_speed;
  Add({L"b"});
  EXPECT_EQ(8, probe.scroll_offset);
  EXPECT_EQ(speed, probe.scroll_speed);
}

TEST_F(SceneLog, QueueHoldsAtMost101Messages) {
  Add({L"shown"});
  for (int i = 0; i < 102; ++i) scene.AddLogMessage(L"m" + std::to_wstring(i));
  EXPECT_EQ(101u, probe.pending_log.size());
  EXPECT_EQ(L"m100", probe.pending_log.back());

  for (size_t frame = 0; frame < kOneSlide.size(); ++frame) scene.ScrollLog();
  EXPECT_EQ(100u, probe.pending_log.size());
  Add({L"accepted"});
  EXPECT_EQ(L"accepted", probe.pending_log.back());
}

// Create gives each line its fade per pixel of slide, so that over one line height
// it reaches the grey of the line below (255, 140, 92, 60, 29) and the oldest black.
TEST(SceneLogFade, LinesFadeTowardTheGreyBelowAsCreateSetsThemUp) {
  SceneHarness h;
  ASSERT_TRUE(h.Create(1024, 768));
  const SaverScene& scene = *h.scene;
  SceneProbe probe{scene};
  const double steps[5] = {115 / 24.0, 2, 32 / 24.0, 31 / 24.0, 29 / 24.0};
  for (int line = 0; line < 5; ++line)
    EXPECT_DOUBLE_EQ(steps[line], probe.log_grey_step[line]) << line;
  const struct {
    int offset;
    int greys[5];
  } cases[] = {
      {0, {255, 140, 92, 60, 29}}, {12, {197, 116, 76, 44, 14}}, {24, {140, 92, 60, 29, 0}}};
  for (const auto& c : cases) {
    SceneProbe(*h.scene).scroll_offset = c.offset;
    for (int line = 0; line < 5; ++line)
      EXPECT_EQ(c.greys[line], scene.LogLineGrey(line)) << c.offset << " " << line;
  }
}
