#include "core/scene/cluster_map.h"

#include <limits>

#include "core/scene/saver_scene.h"

namespace cluster_map {
namespace {

constexpr int32_t kProcessing = Processing;

uint64_t Magnitude(int64_t v) {
  return v < 0 ? static_cast<uint64_t>(-(v + 1)) + 1 : static_cast<uint64_t>(v);
}

// 64 x 64 -> 128-bit product as (high, low).
void MultiplyWide(uint64_t a, uint64_t b, uint64_t* high, uint64_t* low) {
  const uint64_t a_lo = a & 0xFFFFFFFFu, a_hi = a >> 32;
  const uint64_t b_lo = b & 0xFFFFFFFFu, b_hi = b >> 32;
  const uint64_t p0 = a_lo * b_lo, p1 = a_lo * b_hi, p2 = a_hi * b_lo, p3 = a_hi * b_hi;
  const uint64_t middle = (p0 >> 32) + (p1 & 0xFFFFFFFFu) + (p2 & 0xFFFFFFFFu);
  *low = (middle << 32) | (p0 & 0xFFFFFFFFu);
  *high = p3 + (p1 >> 32) + (p2 >> 32) + (middle >> 32);
}

// (high, low) / divisor; false when the quotient needs more than 64 bits.
bool DivideWide(uint64_t high, uint64_t low, uint64_t divisor, uint64_t* quotient) {
  if (high == 0) {
    *quotient = low / divisor;
    return true;
  }
  if (high >= divisor) return false;
  uint64_t remainder = high, q = 0;
  for (int bit = 63; bit >= 0; --bit) {
    const bool carry = (remainder >> 63) != 0;
    remainder = (remainder << 1) | ((low >> bit) & 1);
    q <<= 1;
    if (carry || remainder >= divisor) {
      remainder -= divisor;
      q |= 1;
    }
  }
  *quotient = q;
  return true;
}

}  // namespace

uint32_t StateColor(int32_t state) {
  return state >= 0 && state < kClusterStateCount ? cluster_colors_arr[state]
                                                  : cluster_colors_arr[FreeSpace];
}

int64_t MulDiv(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  const bool negative = a != 0 && b != 0 && (((a < 0) != (b < 0)) != (c < 0));
  uint64_t high, low, q;
  MultiplyWide(Magnitude(a), Magnitude(b), &high, &low);
  const bool fits = DivideWide(high, low, Magnitude(c), &q);
  constexpr uint64_t kMaxPositive = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (negative) {
    if (!fits || q > kMaxPositive + 1) return std::numeric_limits<int64_t>::min();
    return q == kMaxPositive + 1 ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(q);
  }
  if (!fits || q > kMaxPositive) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(q);
}

int32_t CellOfCluster(int64_t cluster, int cell_count, int64_t total_clusters) {
  const int64_t cell = MulDiv(cluster, cell_count, total_clusters);
  if (cell > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (cell < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(cell);
}

int64_t CellStart(int64_t k, int cell_count, int64_t total_clusters) {
  return MulDiv(k, total_clusters, cell_count);
}

void MarkCell(const Cells& cells, int k, int32_t s) {
  const bool keep_glow = s == kProcessing && cells.state[k] == kProcessing && cells.glow[k] != 0;
  if (!keep_glow) cells.glow[k] = kFullGlow;
  cells.state[k] = s;
}

void MarkCellInPart(const Cells& cells, int k, int32_t s) {
  if (cells.state[k] < s || cells.state[k] == kProcessing) MarkCell(cells, k, s);
}

void ApplyClusterRange(const Cells& cells, int64_t total_clusters, int64_t first_cluster,
                       int64_t last_cluster, int32_t state, bool defragmenting) {
  if (defragmenting && state == NotFragmented) return;
  if (cells.state == nullptr || cells.glow == nullptr || cells.count <= 0 || total_clusters <= 0)
    return;
  if (last_cluster < 0) return;
  if (first_cluster < 0) first_cluster = 0;

  const int64_t first_cell = CellOfCluster(first_cluster, cells.count, total_clusters);
  int64_t last_cell = CellOfCluster(last_cluster, cells.count, total_clusters);
  if (last_cell >= cells.count) last_cell = cells.count - 1;
  if (first_cell > last_cell) return;

  for (int64_t k = first_cell; k <= last_cell; ++k) {
    const int cell = static_cast<int>(k);
    if (k == first_cell) {
      // A range within one cell is judged by its first cluster alone.
      if (first_cluster > CellStart(first_cell, cells.count, total_clusters))
        MarkCellInPart(cells, cell, state);
      else
        MarkCell(cells, cell, state);
    } else if (k == last_cell) {
      if (last_cluster == total_clusters - 1 ||
          last_cluster >= CellStart(last_cell + 1, cells.count, total_clusters) - 1)
        MarkCell(cells, cell, state);
      else
        MarkCellInPart(cells, cell, state);
    } else {
      MarkCell(cells, cell, state);
    }
  }
}

int GlowBand(int glow) {
  if (glow >= 1 && glow <= 33) return 0;
  if (glow >= 34 && glow <= 66) return 1;
  return 2;
}

int8_t FadedGlow(int glow) {
  const int next = glow - kGlowFadeStep;
  return static_cast<int8_t>(next < 0 ? 0 : next);
}

}  // namespace cluster_map
