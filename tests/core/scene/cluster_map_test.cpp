// Mapping engine cluster ranges onto the grid's cells.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "core/scene/cluster_map.h"
#include "core/scene/saver_scene.h"
#include "tests/core/scene/scene_probe.h"

using namespace cluster_map;

namespace {

// Free space, not fragmented, fragmented, defragmented, processing.
constexpr int32_t kFree = 0, N = 1, F = 3, D = 4, P = 5;
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

struct Grid {
  std::vector<int32_t> state;
  std::vector<int8_t> glow;
  int64_t total;
  // Guard cells on both sides catch writes outside the arrays.
  explicit Grid(int64_t total_clusters, int count = 720)
      : state(count + 2, 0), glow(count + 2, 0), total(total_clusters) {
    state.front() = state.back() = 0x5EED;
  }
  int32_t& s(int k) { return state[k + 1]; }
  int8_t& g(int k) { return glow[k + 1]; }
  void Apply(int64_t first, int64_t last, int32_t st, bool defragmenting) {
    const Cells cells = {state.data() + 1, glow.data() + 1, static_cast<int>(state.size()) - 2};
    ApplyClusterRange(cells, total, first, last, st, defragmenting);
  }
  int GlowingCells() const {
    int n = 0;
    for (size_t i = 1; i + 1 < glow.size(); ++i) n += glow[i] != 0;
    return n;
  }
  bool GuardsIntact() const {
    return state.front() == 0x5EED && state.back() == 0x5EED && glow.front() == 0 &&
           glow.back() == 0;
  }
};

}  // namespace

TEST(ClusterMapping, CellsStartsAndAnOverflowFreeMultiplyDivide) {
  const int64_t expected[12] = {0, 0, 1, 2, 2, 3, 4, 5, 5, 6, 7, 7};
  for (int c = 0; c < 12; ++c) EXPECT_EQ(CellOfCluster(c, 720, 1000), expected[c]) << c;
  EXPECT_EQ(CellStart(1, 720, 1000), 1);
  EXPECT_EQ(CellStart(1, 720, 7200), 10);
  EXPECT_EQ(cluster_map::MulDiv(kMax - 1, 720, kMax), 719);
  EXPECT_EQ(CellOfCluster(kMax / 2, 720, kMax), 359);
  EXPECT_EQ(cluster_map::MulDiv(kMax, kMax, 1), kMax);  // saturates
  EXPECT_EQ(cluster_map::MulDiv(-7, 3, 2), -10);        // truncates toward zero
  EXPECT_EQ(cluster_map::MulDiv(5, 3, 0), 0);
  EXPECT_EQ(cluster_map::MulDiv(std::numeric_limits<int64_t>::min(), 1, 1),
            std::numeric_limits<int64_t>::min());
}

// Each case: the volume, one cell's state and glow beforehand, the range
// (applied while defragmenting or not), then that cell's state and glow and
// how many cells glow in all.
TEST(ClusterRange, WholeAndPartlyCoveredCellsAndTheirGlow) {
  const struct Case {
    int64_t total;
    int cell;
    int32_t before;
    int before_glow;
    int64_t first, last;
    int32_t state;
    bool defragmenting;
    int32_t after;
    int after_glow, glowing;
  } cases[] = {
      {7200, 1, D, 0, 10, 19, F, false, F, 100, 1},  // ten clusters a cell: a whole cell
      {7200, 1, D, 0, 10, 18, F, false, F, 100, 1},  // within one cell: its first cluster decides
      {7200, 1, D, 0, 11, 19, F, false, D, 0, 0},    // in part: Defragmented outranks Fragmented
      {7200, 1, kFree, 0, 15, 12, F, false, F, 100, 1},    // reversed within one cell: judged alike
      {7200, 5, kFree, 0, 50, 10, F, false, kFree, 0, 0},  // first cell beyond the last: nothing
      {7200, 1, P, 0, 11, 19, kFree, false, kFree, 100, 1},  // Processing in part takes anything
      {7200, 1, F, 0, 11, 19, N, false, F, 0, 0},
      {7200, 1, F, 0, 11, 19, D, false, D, 100, 1},
      {7200, 1, D, 0, 11, 19, 77, false, 77, 100, 1},  // unknown codes take part by their value
      {7200, 1, P, 40, 10, 19, P, false, P, 40, 1},    // still glowing Processing keeps its glow
      {7200, 1, P, 0, 10, 19, P, false, P, 100, 1},
      {7200, 1, F, 25, 10, 19, F, false, F, 100, 1},         // its own state again: glows anew
      {7200, 719, kFree, 0, 0, 7199, N, true, kFree, 0, 0},  // ignored while defragmenting
      {7200, 719, kFree, 0, 0, 7199, N, false, N, 100, 720},
      {1000, 1, D, 0, 2, 3, F, false, D, 0, 1},  // cell 1 starts at cluster 1: in part
      {1000, 2, D, 0, 2, 3, F, false, F, 100, 2},
      {1000, 0, D, 0, 0, 0, F, false, F, 100, 1},
      {1000, 0, D, 0, 1, 1, F, false, D, 0, 0},
      {1000, 718, D, 0, 998, 999, F, false, D, 0, 1},
      {1000, 719, D, 0, 998, 999, F, false, F, 100, 2},
      {1000, 712, D, 0, 990, 5000, F, false, D, 0, 7},  // 713 .. 719, the last cell clamped
      {1000, 719, D, 0, 990, 5000, F, false, F, 100, 8},
      {7205, 719, D, 0, 7190, 7204, F, false, F, 100,
       2},                                             // the volume's last cluster marks outright
      {100, 21, kFree, 0, 3, 3, F, false, F, 100, 1},  // one cluster every 7.2 cells
      {100, 28, kFree, 0, 3, 4, F, false, F, 100, 8},  // cells 21 .. 28
      {7200, 0, kFree, 0, -1000, 5, F, false, F, 100, 1},  // a negative first cluster counts from 0
      {720, 0, kFree, 0, 4294967296LL, 4294967296LL + 5, F, false, kFree, 0,
       0},                                             // no 32-bit wrap into the grid
      {0, 0, kFree, 0, 0, 10, F, false, kFree, 0, 0},  // no volume open
      {-5, 0, kFree, 0, 0, 10, F, false, kFree, 0, 0},
  };
  for (const Case& c : cases) {
    Grid grid(c.total);
    grid.s(c.cell) = c.before;
    grid.g(c.cell) = static_cast<int8_t>(c.before_glow);
    grid.Apply(c.first, c.last, c.state, c.defragmenting);
    EXPECT_EQ(grid.s(c.cell), c.after) << c.first << ".." << c.last << " cell " << c.cell;
    EXPECT_EQ(grid.g(c.cell), c.after_glow) << c.first << ".." << c.last << " cell " << c.cell;
    EXPECT_EQ(grid.GlowingCells(), c.glowing) << c.first << ".." << c.last;
    EXPECT_TRUE(grid.GuardsIntact());
  }
}

TEST(ClusterRange, OutsideInputNeverWritesOutsideTheArrays) {
  const int64_t ranges[][2] = {
      {-5, -1},           {-1000, 20},   {7200, 9000},
      {50, 10},           {0, kMax},     {kMax - 1, kMax},
      {kMax / 720, kMax}, {-kMax, kMax}, {4294967296LL * 10, 4294967296LL * 11}};
  for (const auto& range : ranges) {
    Grid grid(7200);
    grid.Apply(range[0], range[1], F, false);
    EXPECT_TRUE(grid.GuardsIntact()) << range[0] << ".." << range[1];
  }
}

TEST(ClusterRange, SceneCellOfAClusterSaturatesInsteadOfWrapping) {
  DiskList drives;
  SaverScene scene(&drives, false);
  SceneProbe probe{scene};
  probe.cell_count = 720;
  probe.total_clusters = 1000;
  EXPECT_EQ(scene.ClusterToCell(999), 719);
  EXPECT_EQ(scene.ClusterToCell(5965232356LL),
            std::numeric_limits<int32_t>::max());  // low 32 bits: 0
  EXPECT_EQ(scene.ClusterToCell(-5965232356LL), std::numeric_limits<int32_t>::min());
}

TEST(Glow, BandsOfTheSevenFrameFade) {
  const int boundaries[][2] = {{33, 0}, {34, 1}, {66, 1}, {67, 2}, {-3, 2}};
  for (const auto& b : boundaries) EXPECT_EQ(GlowBand(b[0]), b[1]) << b[0];
  std::vector<int> drawn, bands;
  for (int glow = 100; glow != 0; glow = FadedGlow(glow)) {
    drawn.push_back(glow);
    bands.push_back(GlowBand(glow));
  }
  EXPECT_EQ(drawn, (std::vector<int>{100, 85, 70, 55, 40, 25, 10}));
  EXPECT_EQ(bands, (std::vector<int>{2, 2, 2, 1, 1, 0, 0}));
}
