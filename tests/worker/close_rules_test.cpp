#include <gtest/gtest.h>

#include "twsaverx/close_rules.h"

namespace {

TEST(WorkerCloseRules, MouseToleranceIsPerAxisAndStrict) {
  const POINT start = {600, 500};
  EXPECT_FALSE(CursorMovedTooFar(start, {603, 503}, mouse_move_tolerance));
  EXPECT_FALSE(CursorMovedTooFar(start, {597, 497}, mouse_move_tolerance));
  EXPECT_TRUE(CursorMovedTooFar(start, {604, 500}, mouse_move_tolerance));
  EXPECT_TRUE(CursorMovedTooFar(start, {600, 496}, mouse_move_tolerance));
  // Far from the screen's origin and across it: no overflow in the differences.
  EXPECT_TRUE(CursorMovedTooFar({-32000, -32000}, {32000, 32000}, mouse_move_tolerance));
}

}  // namespace
