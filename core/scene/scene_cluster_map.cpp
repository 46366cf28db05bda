// The scene's cluster-map operations: engine ranges onto cells, and the glowing cells.
#include <algorithm>

#include "core/scene/cell_geometry.h"
#include "core/scene/cluster_map.h"
#include "core/scene/saver_scene.h"

int32_t SaverScene::ClusterToCell(int64_t cluster) { return cells.ClusterToCell(cluster); }

void SaverScene::MarkClusterRange(int64_t first_cluster, int64_t last_cluster, int32_t state) {
  cells.MarkClusterRange(first_cluster, last_cluster, state, cycle_state.load() == Defragmenting);
}

void SaverScene::DrawGlowingClusters() {
  cells.SnapshotCellsAndFade();
  const int count = static_cast<int>(cells.frame_cell_glow.size());
  lit_cells.clear();
  for (int i = 0; i < count; ++i) {
    const int glow = cells.frame_cell_glow[i];
    if (glow != 0)
      lit_cells.push_back({i, cluster_map::StateColor(cells.frame_cell_state[i]), glow});
  }
  resources.DrawLitCells(&lit_cells, layout);
}
