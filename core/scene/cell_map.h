#pragma once
// The cell map: each cell's state and glow, which the engine's thread marks and
// the frame draws and fades, behind one lock; the open volume's cluster count,
// by which clusters map onto cells; and the frame's own copy of the cells.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

struct CellMap {
  // Zeroed arrays of `count` cells.
  void Allocate(int count);
  void Release();
  // The cell of a cluster, as MarkClusterRange maps a range's ends.
  int32_t ClusterToCell(int64_t cluster) const;
  // Engine's thread: applies one reported range (a NotFragmented range changes
  // nothing while defragmenting).
  void MarkClusterRange(int64_t first_cluster, int64_t last_cluster, int32_t state,
                        bool defragmenting);
  // Frame: copies the cells into frame_cell_state and frame_cell_glow, glow as
  // drawn in this frame, and fades every glowing cell one step.
  void SnapshotCellsAndFade();
  void ClearGlow();
  // Every cell free space and lit anew: the map of a drive about to be analysed.
  void FlashAllFree();

  std::mutex cell_lock;  // guards cell_state and cell_glow
  int32_t* cell_state = nullptr;
  int cell_count = 0;
  int8_t* cell_glow = nullptr;
  std::atomic<int64_t> total_clusters{0};
  // This frame's copy of the cells (glow as drawn, before the frame's fade); the
  // rest of the frame draws from it.
  std::vector<int32_t> frame_cell_state;
  std::vector<int8_t> frame_cell_glow;
};
