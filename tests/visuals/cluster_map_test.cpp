// Mapping engine cluster ranges onto the grid's cells.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "core/cluster_map.h"

using namespace cluster_map;

namespace {

constexpr int32_t kFree = 0, kNotFragmented = 1, kFragmented = 3, kDefragmented = 4, kProcessing = 5;
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
    void Apply(int64_t first, int64_t last, int32_t st, bool defragmenting = false) {
        const Cells cells = {state.data() + 1, glow.data() + 1, static_cast<int>(state.size()) - 2};
        ApplyClusterRange(cells, total, first, last, st, defragmenting);
    }
    int GlowingCells() const {
        int n = 0;
        for (size_t i = 1; i + 1 < glow.size(); ++i) n += glow[i] != 0;
        return n;
    }
    bool GuardsIntact() const {
        return state.front() == 0x5EED && state.back() == 0x5EED && glow.front() == 0 && glow.back() == 0;
    }
};

}  // namespace

TEST(ClusterMapping, CellsStartsAndAnOverflowFreeMultiplyDivide) {
    const int64_t expected[12] = {0, 0, 1, 2, 2, 3, 4, 5, 5, 6, 7, 7};
    for (int c = 0; c < 12; ++c) EXPECT_EQ(CellOfCluster(c, 720, 1000), expected[c]) << c;
    EXPECT_EQ(CellStart(1, 720, 1000), 1);
    EXPECT_EQ(CellStart(1, 720, 7200), 10);
    EXPECT_EQ(MulDiv(kMax - 1, 720, kMax), 719);
    EXPECT_EQ(CellOfCluster(kMax / 2, 720, kMax), 359);
    EXPECT_EQ(MulDiv(kMax, kMax, 1), kMax);  // saturates
    EXPECT_EQ(MulDiv(-7, 3, 2), -10);        // truncates toward zero
    EXPECT_EQ(MulDiv(5, 3, 0), 0);
    EXPECT_EQ(MulDiv(std::numeric_limits<int64_t>::min(), 1, 1), std::numeric_limits<int64_t>::min());
}

// Each case: volume size, cells set to Defragmented beforehand, the range,
// then the cells expected Fragmented and those expected still Defragmented.
TEST(ClusterRange, WholeAndPartlyCoveredCells) {
    const struct Case {
        int64_t total;
        std::vector<int> before;
        int64_t first, last;
        std::vector<int> marked, kept;
    } cases[] = {
        {7200, {1}, 10, 19, {1}, {}},        // ten clusters a cell: a whole cell
        {7200, {1}, 10, 18, {1}, {}},        // within one cell: judged by its first cluster
        {7200, {1}, 11, 19, {}, {1}},        // in part: Defragmented outranks Fragmented
        {7200, {}, 15, 12, {1}, {}},         // reversed within one cell: judged by its first cluster
        {1000, {1, 2}, 2, 3, {2}, {1}},      // cell 1 starts at cluster 1
        {1000, {0}, 0, 0, {0}, {}},
        {1000, {0}, 1, 1, {}, {0}},
        {1000, {718, 719}, 998, 999, {719}, {718}},
        {1000, {712, 713, 719}, 990, 5000, {713, 714, 715, 716, 717, 718, 719}, {712}},  // last cell clamped
        {7205, {719}, 7190, 7204, {718, 719}, {}},  // the volume's last cluster marks its cell outright
    };
    for (const Case& c : cases) {
        Grid grid(c.total);
        for (int k : c.before) grid.s(k) = kDefragmented;
        grid.Apply(c.first, c.last, kFragmented);
        for (int k : c.marked) EXPECT_TRUE(grid.s(k) == kFragmented && grid.g(k) == 100) << c.first << ".." << c.last << " cell " << k;
        for (int k : c.kept) EXPECT_TRUE(grid.s(k) == kDefragmented && grid.g(k) == 0) << c.first << ".." << c.last << " cell " << k;
        EXPECT_EQ(grid.GlowingCells(), static_cast<int>(c.marked.size())) << c.first << ".." << c.last;
        EXPECT_TRUE(grid.GuardsIntact());
    }
}

TEST(ClusterRange, PriorityRuleAndGlowRestart) {
    Grid grid(7200);
    grid.s(1) = kProcessing;
    grid.Apply(11, 19, kFree);  // Processing takes anything
    EXPECT_EQ(grid.s(1), kFree);
    grid.s(1) = kFragmented;
    grid.Apply(11, 19, kNotFragmented);
    EXPECT_EQ(grid.s(1), kFragmented);
    grid.Apply(11, 19, kDefragmented);
    EXPECT_EQ(grid.s(1), kDefragmented);
    grid.Apply(11, 19, 77);  // unknown codes take part by their value
    EXPECT_EQ(grid.s(1), 77);

    grid.s(2) = kProcessing;
    grid.g(2) = 40;
    grid.Apply(20, 29, kProcessing);  // still glowing Processing keeps its glow
    EXPECT_EQ(grid.g(2), 40);
    grid.g(2) = 0;
    grid.Apply(20, 29, kProcessing);
    EXPECT_EQ(grid.g(2), 100);
    grid.s(3) = kFragmented;
    grid.g(3) = 25;
    grid.Apply(30, 39, kFragmented);  // its own state again restarts the glow
    EXPECT_EQ(grid.g(3), 100);
}

TEST(ClusterRange, NotFragmentedIsIgnoredWhileDefragmentingAndSmallVolumes) {
    Grid grid(7200);
    grid.Apply(0, 7199, kNotFragmented, true);
    EXPECT_EQ(grid.GlowingCells(), 0);
    grid.Apply(0, 7199, kNotFragmented, false);
    EXPECT_EQ(grid.GlowingCells(), 720);

    Grid small(100);  // one cluster every 7.2 cells
    small.Apply(3, 3, kFragmented);
    EXPECT_EQ(small.s(21), kFragmented);
    EXPECT_EQ(small.GlowingCells(), 1);
    small.Apply(3, 4, kFragmented);
    EXPECT_EQ(small.GlowingCells(), 8);  // cells 21 .. 28
}

TEST(ClusterRange, OutsideInputNeverWritesOutsideTheArrays) {
    const int64_t ranges[][2] = {{-5, -1}, {-1000, 20}, {7200, 9000}, {50, 10},   {0, kMax},
                                 {kMax - 1, kMax}, {kMax / 720, kMax}, {-kMax, kMax}, {4294967296LL * 10, 4294967296LL * 11}};
    for (const auto& range : ranges) {
        Grid grid(7200);
        grid.Apply(range[0], range[1], kFragmented);
        EXPECT_TRUE(grid.GuardsIntact()) << range[0] << ".." << range[1];
    }
    Grid negative(7200);
    negative.Apply(-1000, 5, kFragmented);  // counts from cluster 0
    EXPECT_EQ(negative.s(0), kFragmented);
    EXPECT_EQ(negative.GlowingCells(), 1);
    negative.Apply(50, 10, kFragmented);  // first cell beyond the last: nothing
    EXPECT_EQ(negative.GlowingCells(), 1);

    // A first cluster whose cell number would wrap to 0 in 32 bits lies beyond the volume.
    Grid wrapping(720);
    wrapping.Apply(4294967296LL, 4294967296LL + 5, kFragmented);
    EXPECT_EQ(wrapping.GlowingCells(), 0);
    for (int64_t total : {int64_t{0}, int64_t{-5}}) {
        Grid empty(total);
        empty.Apply(0, 10, kFragmented);
        EXPECT_EQ(empty.GlowingCells(), 0);
    }
}

TEST(Glow, BandsOfTheSevenFrameFade) {
    EXPECT_EQ(GlowBand(33), 0);
    EXPECT_EQ(GlowBand(34), 1);
    EXPECT_EQ(GlowBand(66), 1);
    EXPECT_EQ(GlowBand(67), 2);
    EXPECT_EQ(GlowBand(-3), 2);
    std::vector<int> drawn, bands;
    for (int glow = 100; glow != 0; glow = FadedGlow(glow)) {
        drawn.push_back(glow);
        bands.push_back(GlowBand(glow));
    }
    EXPECT_EQ(drawn, (std::vector<int>{100, 85, 70, 55, 40, 25, 10}));
    EXPECT_EQ(bands, (std::vector<int>{2, 2, 2, 1, 1, 0, 0}));
}
