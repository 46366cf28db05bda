#pragma once
// When input ends a full-screen run.
#include <windows.h>

// Pixels per axis that the mouse may move from where it was at window creation.
constexpr int mouse_move_tolerance = 3;

// The cursor has left the box of `tolerance` pixels around `start` on either axis.
inline bool CursorMovedTooFar(POINT start, POINT now, int tolerance) {
  const long dx = now.x > start.x ? now.x - start.x : start.x - now.x;
  const long dy = now.y > start.y ? now.y - start.y : start.y - now.y;
  return dx > tolerance || dy > tolerance;
}
