#pragma once
// The one animated defragmentation scene of a process, and its analyse/defragment
// cycle. The scene owns its state as small parts, each in a header of its own:
// the layout (scene_layout.h), the drawing resources (scene_resources.h), the
// message log (message_log.h), the cell map (cell_map.h), the progress bar
// (progress_bar.h), the legend row (legend_row.h) and the idle effects
// (idle_effects.h); the cycle's own fields stay here. All of it is private: the
// hosts use the operations below, the tests a probe of their own.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "core/drive_list/drive_list.h"
#include "core/scene/cell_map.h"
#include "core/scene/cluster_state.h"
#include "core/scene/frame_pixels.h"
#include "core/scene/idle_effects.h"
#include "core/scene/legend_row.h"
#include "core/scene/message_log.h"
#include "core/scene/progress_bar.h"
#include "core/scene/scene_layout.h"
#include "core/scene/scene_resources.h"
#include "core/scene/text_stamps.h"

enum CycleState : int32_t {
  Idle = 0,
  Analyzing = 1,
  Defragmenting = 2,
};

constexpr int grid_columns = 48;
constexpr UINT_PTR frame_timer_id = 1;
constexpr UINT frame_period_ms = 33;

// Status text while no cycle runs.
extern const wchar_t* const g_vendor_line;
extern const wchar_t kProgramSubdirectory[];  // "Orbenlake Tidewell ScreenSaver"
extern const wchar_t kLoadFailureText[];      // "Could not load Tidewell.dll library."

class SaverScene {
 public:
  explicit SaverScene(DiskList* drive_list, bool enter_program_directory = true);
  // Waits for an engine report in progress in the scene and keeps later ones out
  // (the worker destroys its scene at exit while the engine may still report); a
  // completion that arrived and found no tick is recorded.
  ~SaverScene();
  SaverScene(const SaverScene&) = delete;
  SaverScene& operator=(const SaverScene&) = delete;

  // --- what the hosts call: lifecycle (scene_lifecycle.cpp) and the frame tick ---
  bool Create(HWND window, HINSTANCE instance);
  // Closing a volume serves the messages sent to the window's thread while it waits for a
  // report in progress, so Destroy can run inside a frame tick's own close: the tick then
  // finishes the teardown and touches nothing else.
  bool Destroy();
  // How the scene learns that it runs as a preview (the host's answer).
  void SetPreviewQuery(bool (*is_preview_query)()) { is_preview = is_preview_query; }
  // The engine callbacks act only while this holds (after Create, before Destroy).
  bool EngineReportsEnabled() const { return callbacks_enabled.load(); }
  // From here on the engine's reports change nothing.
  void StopEngineReports() { callbacks_enabled = false; }
  void UpdateSchedule();  // scene_cycle.cpp
  BOOL Paint();           // scene_paint.cpp; a destroyed scene draws nothing

  // --- what the engine callbacks call, on the engine's thread ---
  // Asks the engine for the progress report and leaves it for the next tick.
  // Holds no lock while it calls the engine (scene_progress.cpp).
  void QueryProgressReport();
  void MarkClusterRange(int64_t first_cluster, int64_t last_cluster, int32_t state);

  // --- message log (scene_log.cpp; the log itself is message_log.h) ---
  // Answers the message's entry number, or 0 when the full queue dropped it.
  uint64_t AddLogMessage(std::wstring text);
  void ScrollLog();
  void DrawLog();
  // The progress handlers rewrite their step's entry in place (queue back or top line),
  // only while it is the newest: one that was dropped or followed by another stays as it is.
  void ReplaceNewestLogEntry(uint64_t entry, std::wstring text);
  // Grey level of line `line` (0..4) at the current slide offset.
  int LogLineGrey(int line) const;

  // --- text fitting and number formatting (scene_text.cpp) ---
  int GetTextWidth(const wchar_t* text, int length, SIZE* size);
  std::wstring FitPathToWidth(std::wstring path);
  static std::wstring FormatInt64(int64_t value);
  static std::wstring FormatInt64Grouped(int64_t value);
  static std::wstring FormatInt(int32_t value);
  void ShowMessage(const wchar_t* text);
  void ShowNumber(int32_t value);

  // --- legend (scene_legend.cpp) and progress bar (scene_bar.cpp) ---
  void InitLegend();
  void DrawLegend();
  void AdvanceProgressSweep();
  void DrawProgressBar();

  // --- idle animation and shine (scene_idle.cpp) ---
  void DrawIdleAnimation();
  void DrawShinedCluster();

  // --- defragmentation cycle and schedule (scene_cycle.cpp, scene_settings.cpp) ---
  void StartDefragCycle();
  bool OpenCurrentVolume();
  void StartAnalyzing();
  // `complete` is the engine's GetAnalyzeComplete (GetDefragComplete) answer, asked
  // together with the percentage on the engine's thread.
  void OnAnalyzeProgress(int64_t percent_done, bool complete);
  void LogAnalysisResults();
  void StartDefragmenting();
  void OnDefragProgress(int64_t percent_done, bool complete);
  void NextDrive();
  void SaveLastDefrag();
  void LogLastDefragTime();
  void LoadSettings();
  void StopAnalyzing(bool return_to_idle);      // nothing in the system calls it
  void StopDefragmenting(bool return_to_idle);  // nothing in the system calls it
  int64_t CurrentTime() const;
  bool IsPreview() const { return is_preview != nullptr && is_preview(); }

  // --- cluster map (scene_cluster_map.cpp; the cells themselves are cell_map.h) ---
  int32_t ClusterToCell(int64_t cluster);
  void DrawGlowingClusters();

  // --- glow and shine pictures (glow_pictures.cpp; scene_lifecycle.cpp hands over) ---
  void BuildGlowBitmaps();
  void LoadShineBitmap();

 private:
  // Tests reach the state through this one named access point (tests/ support).
  friend class SceneProbe;

  // --- progress reports handed from the engine's thread to the tick (scene_progress.cpp) ---
  // Which volume and step the engine's reports are asked about. The window's thread
  // publishes a new one (with a new generation) whenever the open volume or the
  // step changes; reports asked about an older one are never applied.
  struct ReportTarget {
    int32_t volume_handle = 0;  // 0: reports are not asked about
    CycleState phase = Idle;    // Idle: only the percentage is asked, nothing is handed on
    uint64_t generation = 0;
  };
  // One report as the engine's thread asked it: the percentage and, by the step,
  // whether the step is complete and the current file.
  struct ProgressReport {
    uint64_t generation = 0;
    CycleState phase = Idle;
    int64_t percent_done = 0;
    bool complete = false;
    std::wstring current_file;
  };
  // Window's thread: reports from now on are asked about `volume_handle` as `phase`.
  void PublishReportTarget(CycleState phase);
  // Window's thread (UpdateSchedule): the waiting report of the current target, if any.
  bool TakeProgressReport(ProgressReport* report);
  void ApplyProgressReport(const ProgressReport& report);
  void ApplyDefragPriority();
  const wchar_t* CurrentRootPath() const;

  // --- lifecycle (scene_lifecycle.cpp) ---
  // The frame tick's cycle work; UpdateSchedule runs it and then any teardown that a
  // Destroy inside it left pending.
  void RunSchedule();
  // What Destroy releases after the timer, the callbacks and the drawing resources:
  // the volume, the bridge and the cells.
  void TearDown();
  // A completion of the cycle's last drive that arrived and was not applied yet.
  void RecordArrivedCompletion();
  bool IsLastSelectedDrive(int drive) const;

  // --- the frame's drawing into the back buffer (scene_paint.cpp) ---
  // Every text of this frame, where it goes (before any is drawn).
  std::vector<TextPlacement> FrameTexts(int schedule_x) const;
  // Clears the back buffer, leaving out the grid's tiles when they are written
  // whole and the texts that stay as the frame before left them.
  void ClearBackBuffer(bool leave_grid, const pixels::Box& grid, int schedule_x, bool idle_effects);
  // The cell grid's tiles: each cell's pitch-square from its halo's corner.
  pixels::Box GridBox() const;
  // Whether this frame writes the grid's tiles whole (and the clear leaves them out).
  bool CanComposeGrid(const pixels::Box& grid, int schedule_x);
  void ComposeGrid(bool idle);
  // Whether cell i of this frame's copy is drawn as a plain square.
  bool IsPlainCell(int i, bool idle) const;
  void DrawPlainCells(bool idle);

  // --- state: the scene's parts, then the cycle's own fields ---
  // Host seams: how the scene learns it runs as a preview, and its clock.
  bool (*is_preview)() = nullptr;
  int64_t (*clock)() = nullptr;
  // Measuring seam: when set, used instead of the font (tests; fonts differ under wine).
  int (*measure_text)(const wchar_t* text, int length) = nullptr;

  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  SceneLayout layout;
  SceneResources resources;
  MessageLog log;
  CellMap cells;
  ProgressBar bar;
  LegendRow legend;
  IdleEffects effects;  // the idle effects
  RECT client_rect = {};
  UINT_PTR frame_timer = 0;
  std::wstring status_line;
  std::wstring schedule_line;
  bool destroyed = false;           // Destroy runs once
  // How many UpdateSchedule calls are on the stack: a sent message served inside one
  // (while the tick closes a volume) can run a modal loop that ticks again. A Destroy
  // meanwhile leaves the teardown to the outermost tick.
  int frame_tick_depth = 0;
  uint64_t progress_log_entry = 0;  // the running step's entry that its reports rewrite
  // The defragmentation's start found one under way on the volume: the analysis stays
  // the step, and its later reports ask for the start again without logging the results.
  bool defrag_found_under_way = false;
  int64_t cycle_end_time = 0;
  std::atomic<CycleState> cycle_state{Idle};
  DiskList* drives = nullptr;
  int current_drive = 0;
  int engine_loaded = 0;
  int32_t volume_handle = 0;
  int defrag_mode = 0;
  int defrag_priority = 1;
  int64_t now = 0;
  int64_t last_defrag = 0;
  bool idle_animation = false;
  // The engine callbacks do nothing unless this is set (after Create, before Destroy).
  std::atomic<bool> callbacks_enabled{false};
  std::mutex report_lock;      // guards the three fields below, never held across a call
  ReportTarget report_target;  // written by the window's thread only
  bool report_waiting = false;
  ProgressReport waiting_report;
  // The status line is fitted again only when the engine's current file changes.
  std::wstring fitted_file;
  std::wstring fitted_line;
  bool fitted_file_valid = false;
  std::vector<LitCell> lit_cells;
};

// The process's scene, for the engine callbacks (plain functions without an object).
extern SaverScene* g_scene;
// The one scene of each program (program_globals.cpp).
extern SaverScene screen_saver;
