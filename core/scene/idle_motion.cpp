#include "core/scene/idle_motion.h"

#include "core/scene/saver_scene.h"

namespace idle {
namespace {
constexpr int kColumns = grid_columns;
}

bool IsEndCorner(int position, int rows) {
  return position == (rows - 1) * kColumns || position == rows * kColumns - 1;
}

int NextBallPosition(int position, int rows, int* direction) {
  if (position == 0) {
    *direction = DownRight;
    return kColumns + 1;
  }
  const int row = position / kColumns, column = position % kColumns;
  const bool bottom = row == rows - 1, top = row == 0;
  const bool right = column == kColumns - 1, leftmost = column == 0;
  switch (*direction) {
    case DownRight:
      if (bottom) {
        *direction = UpRight;
        return position - (kColumns - 1);
      }
      if (right) {
        *direction = DownLeft;
        return position + (kColumns - 1);
      }
      return position + kColumns + 1;
    case UpRight:
      if (top) {
        *direction = DownRight;
        return position + kColumns + 1;
      }
      if (right) {
        *direction = UpLeft;
        return position - (kColumns + 1);
      }
      return position - (kColumns - 1);
    case UpLeft:
      if (top) {
        *direction = DownLeft;
        return position + kColumns - 1;
      }
      if (leftmost) {
        *direction = UpRight;
        return position - (kColumns - 1);
      }
      return position - (kColumns + 1);
    case DownLeft:
    default:
      if (bottom) {
        *direction = UpLeft;
        return position - (kColumns + 1);
      }
      if (leftmost) {
        *direction = DownRight;
        return position + kColumns + 1;
      }
      return position + kColumns - 1;
  }
}

bool AdvanceShine(int* level, bool* falling, bool first) {
  bool ended = false;
  if (*level == kShineNone) {
    *falling = true;
    ended = !first;
  } else if (*level == 0) {
    *falling = false;
  }
  if (*falling) {
    *level = *level - 20 < 0 ? 0 : *level - 20;
  } else {
    *level = *level + 7 > 100 ? 100 : *level + 7;
  }
  return ended;
}

}  // namespace idle
