#include "core/scene/cell_map.h"

#include "core/scene/cluster_map.h"
#include "core/scene/cluster_state.h"

void CellMap::Allocate(int count) {
  std::lock_guard<std::mutex> guard(cell_lock);
  cell_count = count;
  cell_state = new int32_t[count]();
  cell_glow = new int8_t[count]();
}

void CellMap::Release() {
  std::lock_guard<std::mutex> guard(cell_lock);
  delete[] cell_state;
  delete[] cell_glow;
  cell_state = nullptr;
  cell_glow = nullptr;
}

int32_t CellMap::ClusterToCell(int64_t cluster) const {
  return cluster_map::CellOfCluster(cluster, cell_count, total_clusters.load());
}

void CellMap::MarkClusterRange(int64_t first_cluster, int64_t last_cluster, int32_t state,
                               bool defragmenting) {
  std::lock_guard<std::mutex> guard(cell_lock);
  const cluster_map::Cells cells = {cell_state, cell_glow, cell_count};
  cluster_map::ApplyClusterRange(cells, total_clusters.load(), first_cluster, last_cluster, state,
                                 defragmenting);
}

void CellMap::SnapshotCellsAndFade() {
  std::lock_guard<std::mutex> guard(cell_lock);
  if (cell_state == nullptr || cell_glow == nullptr || cell_count <= 0) {
    frame_cell_state.clear();
    frame_cell_glow.clear();
    return;
  }
  frame_cell_state.assign(cell_state, cell_state + cell_count);
  frame_cell_glow.assign(cell_glow, cell_glow + cell_count);
  for (int i = 0; i < cell_count; ++i) {
    if (cell_glow[i] != 0) cell_glow[i] = cluster_map::FadedGlow(cell_glow[i]);
  }
}

void CellMap::ClearGlow() {
  std::lock_guard<std::mutex> guard(cell_lock);
  for (int i = 0; i < cell_count && cell_glow != nullptr; ++i) cell_glow[i] = 0;
}

void CellMap::FlashAllFree() {
  std::lock_guard<std::mutex> guard(cell_lock);
  for (int i = 0; i < cell_count; ++i) {
    cell_state[i] = FreeSpace;
    cell_glow[i] = cluster_map::kFullGlow;
  }
}
