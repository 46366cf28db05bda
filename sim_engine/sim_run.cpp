#include "sim_engine/sim_run.h"

#include "sim_engine/sim_config.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

struct Report {
  std::vector<SimRange> ranges;
  int32_t percent = 0;
};

int32_t ShownPercent(const SimConfig& config, int32_t percent) {
  // Odd engines: below zero at the start, far beyond 100 near the end.
  return config.odd_percent ? percent * 3 - 50 : percent;
}

void AddBadRanges(const SimConfig& config, const SimDisk& disk, std::vector<SimRange>& ranges) {
  if (!config.bad_ranges) return;
  ranges.push_back(SimRange{-100, -1, SimFragmented});
  ranges.push_back(SimRange{disk.clusters, disk.clusters + 1000, SimNotFragmented});
  ranges.push_back(SimRange{disk.clusters / 2, disk.clusters / 4, SimDefragmented});
  ranges.push_back(SimRange{0, disk.clusters * 4, 77});
}

// Sends one report without holding the state's lock: the host may call
// back into the volume from inside its callbacks.
void Send(ICallback* callback, const Report& report) {
  callback->AddRef();
  for (const SimRange& range : report.ranges)
    callback->SetClusters(range.state, range.first, range.last);
  callback->UpdateProgressInformation(report.percent);
  callback->Release();
  AddSimCounter(L"reports", static_cast<int64_t>(report.ranges.size()) + 1);
}

// One run; answers when it ends (finished, replaced, stopped or closing).
void RunOnce(SimVolumeState& state, SimRunKind kind, uint64_t generation) {
  std::shared_ptr<const SimConfig> config = CurrentSimConfig();
  int duration = kind == SimRunKind::Analyze ? config->analyze_ms : config->defrag_ms;
  int pause = config->report_ms;
  // Without a pause the run makes one report per millisecond of its length,
  // as fast as it can: what the stress tests want.
  int steps = std::max(1, pause > 0 ? duration / pause : duration);
  std::vector<size_t> moving;
  size_t fragmented = 0;
  uint32_t file_number = 0;
  {
    std::lock_guard<std::mutex> guard(state.lock);
    fragmented = static_cast<size_t>(CountSimDisk(state.disk).fragmented_blocks);
  }
  size_t moved = 0;  // spread evenly over the run

  for (int step = 1; step <= steps + 1; ++step) {
    Report report;
    bool last = step > steps;
    {
      std::unique_lock<std::mutex> guard(state.lock);
      state.wake.wait(
          guard, [&] { return !state.paused || state.closing || state.generation != generation; });
      if (state.closing || state.generation != generation) return;
      size_t blocks = state.disk.blocks.size();
      if (kind == SimRunKind::Analyze) {
        size_t from = blocks * (step - 1) / steps, to = blocks * std::min(step, steps) / steps;
        report.ranges = last ? std::vector<SimRange>() : DescribeBlocks(state.disk, from, to);
      } else {
        size_t due = last ? moved : fragmented * static_cast<size_t>(step) / steps;
        report.ranges = DefragStep(state.disk, moving, due - moved, last);
        moved = due;
        state.current_file =
            DeepenSimPath(SimFileName(state.drive, file_number += 7919), config->deep_path);
      }
      AddBadRanges(*config, state.disk, report.ranges);
      state.percent = ShownPercent(*config, last ? 100 : (step - 1) * 100 / steps);
      if (last) {
        // The run is complete before its last report arrives.
        if (kind == SimRunKind::Analyze) {
          state.in_analyze = false;
          state.analyze_complete = true;
        } else {
          state.in_defrag = false;
          state.defrag_complete = true;
          state.current_file.clear();
        }
      }
      report.percent = state.percent;
    }
    Send(state.callback, report);
    if (last) return;
    std::unique_lock<std::mutex> guard(state.lock);
    state.wake.wait_for(guard, std::chrono::milliseconds(pause),
                        [&] { return state.closing || state.generation != generation; });
  }
}

void WorkerLoop(std::shared_ptr<SimVolumeState> state) {
  for (;;) {
    SimRunKind kind;
    uint64_t generation;
    {
      std::unique_lock<std::mutex> guard(state->lock);
      state->wake.wait(guard,
                       [&] { return state->closing || state->requested != SimRunKind::None; });
      if (state->closing) break;
      kind = state->requested;
      generation = state->generation;
      state->requested = SimRunKind::None;
    }
    RunOnce(*state, kind, generation);
  }
  AddSimCounter(L"workers_running", -1);
}

}  // namespace

SimVolumeState::SimVolumeState(std::wstring drive, ICallback* callback, int64_t clusters)
    : drive(std::move(drive)), callback(callback) {
  uint32_t seed = 2166136261u;
  for (wchar_t c : this->drive) seed = (seed ^ c) * 16777619u;
  disk = MakeSimDisk(clusters, seed);
  if (callback) {
    callback->AddRef();
    AddSimCounter(L"callbacks_held", 1);
  }
}

SimVolumeState::~SimVolumeState() {
  if (callback) {
    callback->Release();
    AddSimCounter(L"callbacks_held", -1);
  }
}

void RequestSimRun(const std::shared_ptr<SimVolumeState>& state, std::thread& worker,
                   SimRunKind kind) {
  {
    std::lock_guard<std::mutex> guard(state->lock);
    ++state->generation;
    state->requested = kind;
    state->paused = false;
    bool analyze = kind == SimRunKind::Analyze;
    state->in_analyze = analyze;
    state->analyze_complete = analyze ? false : state->analyze_complete;
    state->terminated_analyze = false;
    state->in_defrag = !analyze;
    state->defrag_complete = false;
    state->terminated_defrag = false;
    state->percent = 0;
  }
  state->wake.notify_all();
  if (!worker.joinable() && state->callback) {
    AddSimCounter(L"workers_running", 1);
    worker = std::thread(WorkerLoop, state);
  }
}

void StopSimRun(SimVolumeState& state) {
  {
    std::lock_guard<std::mutex> guard(state.lock);
    ++state.generation;
    state.requested = SimRunKind::None;
    state.paused = false;
    if (state.in_analyze) state.terminated_analyze = true;
    if (state.in_defrag) state.terminated_defrag = true;
    state.in_analyze = state.in_defrag = false;
  }
  state.wake.notify_all();
}

void EndSimWorker(SimVolumeState& state, std::thread& worker) {
  {
    std::lock_guard<std::mutex> guard(state.lock);
    state.closing = true;
  }
  state.wake.notify_all();
  if (!worker.joinable()) return;
  if (worker.get_id() == std::this_thread::get_id())
    worker.detach();  // released from inside its own report: it ends by itself
  else
    worker.join();
}
