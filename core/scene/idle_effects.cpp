#include "core/scene/idle_effects.h"

#include <cstdlib>

#include "core/scene/idle_motion.h"

int g_ball_direction = idle::DownRight;
bool g_shine_falling = true;

void IdleEffects::AllocateTrail(int count) { idle_trail = new int8_t[count](); }

void IdleEffects::ReleaseTrail() {
  delete[] idle_trail;
  idle_trail = nullptr;
}

void IdleEffects::ClearTrail(int count) {
  if (idle_trail != nullptr)
    for (int i = 0; i < count; ++i) idle_trail[i] = 0;
}

bool IdleEffects::StartRunIfDue(int64_t now, int64_t since, int count) {
  if (idle_position != -1) return true;
  if (now - since < idle::kIdleStartSeconds) return false;
  ClearTrail(count);
  idle_trail[0] = idle::kTrailFull;
  idle_position = 0;
  return true;
}

bool IdleEffects::StepBall(int rows, int count) {
  if (idle_position < 0 || idle_position >= count) {
    idle_position = -1;  // left over from a grid of another size: start over
    return false;
  }
  if (idle::IsEndCorner(idle_position, rows)) {
    if (idle_trail[idle_position] != 0) return false;
    idle_position = -1;
    return true;
  }
  idle_position = idle::NextBallPosition(idle_position, rows, &g_ball_direction);
  idle_trail[idle_position] = idle::kTrailFull;
  return false;
}

void IdleEffects::StartShineIfDue(int64_t now, int count) {
  if (shine_cell != -1 || now - shine_last_time < shine_delay_s || count <= 0) return;
  shine_cell = rand() % count;
  shine_level = idle::kShineFresh;
  shine_delay_s = rand() % 2 + 1;
}
