// The state of one simulated volume shared with its worker thread, and the
// worker that runs analyses and defragmentations and reports them through
// ICallback from its own thread.

#pragma once

#include "TidewellLink/engine_interfaces.h"
#include "sim_engine/sim_disk.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

enum class SimRunKind { None, Analyze, Defrag };

struct SimVolumeState {
  SimVolumeState(std::wstring drive, ICallback* callback, int64_t clusters);
  ~SimVolumeState();  // gives back the engine's ICallback reference

  std::mutex lock;
  std::condition_variable wake;
  const std::wstring drive;
  ICallback* const callback;
  SimDisk disk;

  bool closing = false;                     // the volume object is going away
  SimRunKind requested = SimRunKind::None;  // a run waiting to start
  uint64_t generation = 0;                  // changes end the run in progress
  bool paused = false;

  int32_t percent = 0;
  bool in_analyze = false, analyze_complete = false, terminated_analyze = false;
  bool in_defrag = false, defrag_complete = false, terminated_defrag = false;
  std::wstring current_file;
};

// Asks the worker (started on first use) for a new run; a run in progress ends.
void RequestSimRun(const std::shared_ptr<SimVolumeState>& state, std::thread& worker,
                   SimRunKind kind);

// Ends the run in progress (if any) without starting another.
void StopSimRun(SimVolumeState& state);

// The volume is going away: ends the worker; joins it unless called on it.
void EndSimWorker(SimVolumeState& state, std::thread& worker);
