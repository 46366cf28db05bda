#include "saver_framework/close_rules.h"

#include <cstdlib>

bool MouseMovedPastThreshold(POINT recorded, POINT now) {
  // Widen first: positions on a large virtual screen may be far apart.
  const long long dx = std::llabs(static_cast<long long>(now.x) - recorded.x);
  const long long dy = std::llabs(static_cast<long long>(now.y) - recorded.y);
  return dx + dy > kMouseMoveThreshold;
}

bool PowerBroadcastCloses(WPARAM event, LPARAM data, bool ac_status_unchanged) {
  switch (event) {
    case PBT_APMRESUMECRITICAL:
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMESTANDBY:
    case PBT_APMRESUMEAUTOMATIC:
      // A resume that the system reports as automatic (no user present) keeps it open.
      return (data & 1) == 0;
    case PBT_APMPOWERSTATUSCHANGE:
      return !ac_status_unchanged;
    default:
      return true;
  }
}
