// Motion rules of the idle effects: the ball that bounces diagonally across
// the grid (its trail fades like a cell's glow), and the rise and fall of the shine.
#pragma once

#include <cstdint>

namespace idle {

constexpr int kIdleStartSeconds = 20;
constexpr int kTrailFull = 100;
constexpr int kShineFresh = 250;  // level of a shine picked this frame
constexpr int kShineNone = 100;

// Ball directions: where the next cell lies.
enum BallDirection { DownRight = 1, UpRight = 2, UpLeft = 3, DownLeft = 4 };

// The bottom-left or bottom-right corner, where a run ends.
bool IsEndCorner(int position, int rows);

// The ball's next cell from position (not an end corner); bounces change
// *direction. From the top-left corner the ball always heads down-right.
int NextBallPosition(int position, int rows, int* direction);

// Phase and step of the shine after a frame drawn at *level; first marks the
// shine's first frame. Returns true when the shine has ended.
bool AdvanceShine(int* level, bool* falling, bool first);

}  // namespace idle
