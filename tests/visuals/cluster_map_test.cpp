// Mapping engine cluster ranges onto the grid's cells.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "core/cluster_map.h"

using namespace cluster_map;

namespace {

constexpr int32_t kFree = 0, kNotFragmented = 1, kFragmented = 3, kDefragmented = 4, kProcessing = 5;

struct Grid {
    std::vector<int32_t> state;
    std::vector<int8_t> glow;
    int64_t total;
    // Guard cells on both sides catch writes outside the arrays.
    explicit Grid(int64_t total_clusters, int count = 720)
        : state(count + 2, 0), glow(count + 2, 0), total(total_clusters) {
        state.front() = state.back() = 0x5EED;
    }
    Cells cells() { return {state.data() + 1, glow.data() + 1, static_cast<int>(state.size()) - 2}; }
    int32_t& s(int k) { return state[k + 1]; }
    int8_t& g(int k) { return glow[k + 1]; }
    void Apply(int64_t first, int64_t last, int32_t st, bool defragmenting = false) {
        ApplyClusterRange(cells(), total, first, last, st, defragmenting);
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

TEST(ClusterMapping, ClustersToCellsAndCellStarts) {
    const int64_t expected[12] = {0, 0, 1, 2, 2, 3, 4, 5, 5, 6, 7, 7};
    for (int c = 0; c < 12; ++c) EXPECT_EQ(CellOfCluster(c, 720, 1000), expected[c]) << c;
    EXPECT_EQ(CellStart(1, 720, 1000), 1);
    EXPECT_EQ(CellStart(1, 720, 7200), 10);
    EXPECT_EQ(CellOfCluster(999, 720, 1000), 719);
}

TEST(ClusterMapping, MultiplyDivideNeverOverflows) {
    const int64_t max = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(MulDiv(max, 720, max), 720);
    EXPECT_EQ(MulDiv(max - 1, 720, max), 719);
    EXPECT_EQ(CellOfCluster(max / 2, 720, max), 359);
    EXPECT_EQ(MulDiv(max, max, 1), max);  // saturates
    EXPECT_EQ(MulDiv(-7, 3, 2), -10);     // truncates toward zero
    EXPECT_EQ(MulDiv(5, 3, 0), 0);
    EXPECT_EQ(MulDiv(std::numeric_limits<int64_t>::min(), 1, 1), std::numeric_limits<int64_t>::min());
}

TEST(ClusterRange, TenClustersPerCell) {
    Grid grid(7200);
    grid.Apply(10, 19, kFragmented);
    EXPECT_EQ(grid.s(1), kFragmented);
    EXPECT_EQ(grid.g(1), 100);
    EXPECT_EQ(grid.GlowingCells(), 1);

    Grid within(7200);
    within.Apply(10, 18, kFragmented);  // judged by its first cluster alone
    EXPECT_EQ(within.s(1), kFragmented);

    Grid partial(7200);
    partial.s(1) = kDefragmented;
    partial.Apply(11, 19, kFragmented);  // priority rule: Defragmented outranks Fragmented
    EXPECT_EQ(partial.s(1), kDefragmented);
    EXPECT_EQ(partial.g(1), 0);
}

TEST(ClusterRange, FewerCellsThanClustersAtTheBoundaries) {
    Grid grid(1000);
    for (int k : {1, 2}) grid.s(k) = kDefragmented;
    grid.Apply(2, 3, kFragmented);
    EXPECT_EQ(grid.s(1), kDefragmented);  // cell 1 starts at cluster 1: in part, loses
    EXPECT_EQ(grid.s(2), kFragmented);    // marked outright

    Grid zero(1000);
    zero.s(0) = kDefragmented;
    zero.Apply(0, 0, kFragmented);
    EXPECT_EQ(zero.s(0), kFragmented);
    zero.s(0) = kDefragmented;
    zero.Apply(1, 1, kFragmented);
    EXPECT_EQ(zero.s(0), kDefragmented);

    Grid end(1000);
    end.s(718) = end.s(719) = kDefragmented;
    end.Apply(998, 999, kFragmented);
    EXPECT_EQ(end.s(718), kDefragmented);
    EXPECT_EQ(end.s(719), kFragmented);

    Grid beyond(1000);
    for (int k = 712; k < 720; ++k) beyond.s(k) = kDefragmented;
    beyond.Apply(990, 5000, kFragmented);
    EXPECT_EQ(beyond.s(712), kDefragmented);
    for (int k = 713; k < 720; ++k) EXPECT_EQ(beyond.s(k), kFragmented) << k;
    EXPECT_TRUE(beyond.GuardsIntact());
}

TEST(ClusterRange, VolumesLastClusterMarksItsCellOutright) {
    Grid grid(7205);
    grid.s(719) = kDefragmented;
    grid.Apply(7000, 7204, kFragmented);
    EXPECT_EQ(grid.s(719), kFragmented);
}

TEST(ClusterRange, PriorityRuleForCellsCoveredInPart) {
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
}

TEST(ClusterRange, GlowRestartsExceptForStillGlowingProcessing) {
    Grid grid(7200);
    grid.s(1) = kProcessing;
    grid.g(1) = 40;
    grid.Apply(10, 19, kProcessing);
    EXPECT_EQ(grid.g(1), 40);
    grid.g(1) = 0;
    grid.Apply(10, 19, kProcessing);
    EXPECT_EQ(grid.g(1), 100);
    grid.s(2) = kFragmented;
    grid.g(2) = 25;
    grid.Apply(20, 29, kFragmented);
    EXPECT_EQ(grid.g(2), 100);
}

TEST(ClusterRange, NotFragmentedIsIgnoredWhileDefragmenting) {
    Grid grid(7200);
    grid.Apply(0, 7199, kNotFragmented, true);
    EXPECT_EQ(grid.GlowingCells(), 0);
    grid.Apply(0, 7199, kNotFragmented, false);
    EXPECT_EQ(grid.GlowingCells(), 720);
    EXPECT_EQ(grid.s(719), kNotFragmented);
}

TEST(ClusterRange, SmallVolumeMarksOnlyTheCellsARangeSpans) {
    Grid grid(100);  // one cluster every 7.2 cells
    grid.Apply(3, 3, kFragmented);
    EXPECT_EQ(grid.s(21), kFragmented);
    EXPECT_EQ(grid.GlowingCells(), 1);
    Grid spanning(100);
    spanning.Apply(3, 4, kFragmented);
    EXPECT_EQ(spanning.GlowingCells(), 8);  // cells 21 .. 28
}

TEST(ClusterRange, OutsideInputNeverWritesOutsideTheArrays) {
    const int64_t max = std::numeric_limits<int64_t>::max();
    const int64_t ranges[][2] = {{-5, -1},       {-1000, 20},        {7200, 9000},     {50, 10},
                                 {0, max},       {max - 1, max},     {max / 720, max},
                                 {-max, max},    {4294967296LL * 10, 4294967296LL * 11}};
    for (const auto& range : ranges) {
        Grid grid(7200);
        grid.Apply(range[0], range[1], kFragmented);
        EXPECT_TRUE(grid.GuardsIntact()) << range[0] << ".." << range[1];
    }
    Grid negative(7200);
    negative.Apply(-1000, 5, kFragmented);  // counts from cluster 0
    EXPECT_EQ(negative.s(0), kFragmented);
    EXPECT_EQ(negative.GlowingCells(), 1);

    Grid reversed(7200);
    reversed.Apply(50, 10, kFragmented);
    EXPECT_EQ(reversed.GlowingCells(), 0);

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

TEST(Glow, BandsAndSevenFrameFade) {
    EXPECT_EQ(GlowBand(1), 0);
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
