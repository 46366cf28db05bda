// The cluster map's arithmetic: which cell a cluster falls into, how a
// reported range updates the cells, and how a cell's glow fades. Pure, so the
// rules can be tested without a window or an engine.
#pragma once

#include <cstdint>

namespace cluster_map {

constexpr int kFullGlow = 100;
constexpr int kGlowFadeStep = 15;

// Colour (COLORREF) a cell of this state is drawn in; unknown codes are grey.
uint32_t StateColor(int32_t state);

// a * b / c exactly, truncated toward zero, saturated to the int64 range
// (the 64-bit product may not fit); c == 0 gives 0.
int64_t MulDiv(int64_t a, int64_t b, int64_t c);

// Cell of a cluster: cluster * cell_count / total_clusters, unclamped, but
// saturated to the int32 range rather than cut to 32 bits, so a wild cluster
// never wraps into the grid.
int32_t CellOfCluster(int64_t cluster, int cell_count, int64_t total_clusters);
// First boundary of cell k: k * total_clusters / cell_count.
int64_t CellStart(int64_t k, int cell_count, int64_t total_clusters);

struct Cells {
  int32_t* state;
  int8_t* glow;
  int count;
};

// Writes state s into cell k and lets it glow anew (a still-glowing
// Processing cell keeps its glow against another Processing report).
void MarkCell(const Cells& cells, int k, int32_t s);
// The same for a cell the range covers only in part: only a greater state
// code, or any state over Processing, wins.
void MarkCellInPart(const Cells& cells, int k, int32_t s);

// Applies one reported range. The range is outside input: a range wholly
// below cluster 0, or reported while total_clusters is not positive, changes
// nothing; a negative first cluster counts from cluster 0, a range beyond the
// volume ends at the last cell, and a range whose first cell lies beyond its
// last cell changes nothing (one whose ends fall into the same cell is judged
// by its first cluster, like any other).
void ApplyClusterRange(const Cells& cells, int64_t total_clusters, int64_t first_cluster,
                       int64_t last_cluster, int32_t state, bool defragmenting);

// Glow band (0..2) of a non-zero glow value.
int GlowBand(int glow);
// Glow (or idle trail) after one drawn frame.
int8_t FadedGlow(int glow);

}  // namespace cluster_map
