#pragma once
// The idle effects' state: the ball that bounces across the grid with its fading
// trail, and the sparkle that flashes on one random cell now and then.
#include <cstdint>

struct IdleEffects {
  // A zeroed trail of `count` cells, and giving it back.
  void AllocateTrail(int count);
  void ReleaseTrail();
  void ClearTrail(int count);
  // True while a run is under way: one starts from the top-left cell when none
  // is and the pause after `since` (the end of the last cycle or run) has passed.
  bool StartRunIfDue(int64_t now, int64_t since, int count);
  // Moves the ball on by one cell; true when this ends the run (its end corner
  // has faded), and the caller then records the end.
  bool StepBall(int rows, int count);
  // Picks the next shine's cell (and the pause after it) when none runs and the
  // pause after the last one has passed.
  void StartShineIfDue(int64_t now, int count);

  int idle_position = -1;  // the ball's cell; -1 while no run is under way
  int8_t* idle_trail = nullptr;
  int shine_cell = -1;
  int shine_delay_s = 0;
  int shine_level = 0;
  int64_t shine_last_time = 0;
};

// Kept for the life of the process: a new run does not reset the direction.
extern int g_ball_direction;
extern bool g_shine_falling;
