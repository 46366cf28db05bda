#include "sim_engine/sim_config.h"
#include "sim_engine/sim_disk.h"

#include <gtest/gtest.h>

namespace {

TEST(SimDisk, AnalysisRangesCoverEveryClusterOnce)
{
    for (int64_t clusters : {1LL, 7LL, 1536LL, 2000003LL}) {
        SimDisk disk = MakeSimDisk(clusters, 42);
        std::vector<SimRange> ranges = DescribeBlocks(disk, 0, disk.blocks.size());
        int64_t next = 0;
        for (const SimRange& range : ranges) {
            EXPECT_EQ(range.first, next);
            EXPECT_LE(range.first, range.last);
            next = range.last + 1;
        }
        EXPECT_EQ(next, clusters);
    }
}

TEST(SimDisk, DefragmentationEndsWithoutFragmentedBlocks)
{
    SimDisk disk = MakeSimDisk(100000, 7);
    SimDiskStats before = CountSimDisk(disk);
    ASSERT_GT(before.fragmented_blocks, 0);
    std::vector<size_t> moving;
    for (int step = 0; step < 10000 && CountSimDisk(disk).fragmented_blocks; ++step) {
        // Steps without a move keep reporting the blocks in progress.
        for (size_t moves : {size_t(0), size_t(5)}) {
            std::vector<SimRange> ranges = DefragStep(disk, moving, moves, false);
            EXPECT_EQ(ranges.empty(), moving.empty());
            for (const SimRange& range : ranges) {
                EXPECT_GE(range.first, 0);
                EXPECT_LT(range.last, disk.clusters);
            }
        }
    }
    DefragStep(disk, moving, 0, true);
    EXPECT_TRUE(moving.empty());
    SimDiskStats after = CountSimDisk(disk);
    EXPECT_EQ(after.fragmented_blocks, 0);
    EXPECT_EQ(after.used_blocks, before.used_blocks);
}

TEST(SimConfig, ListsAndAssignments)
{
    EXPECT_EQ(SplitSimList(L"a||b", L'|', true), (std::vector<std::wstring>{L"a", L"", L"b"}));
    EXPECT_EQ(SplitSimList(L"a,,b", L',', false), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_TRUE(ApplySimAssignment(L"TW_SIM_VALUE=GetPercentDone:-1,GetFragmentation:17"));
    int64_t value = 0;
    EXPECT_TRUE(FixedSimValue(L"GetPercentDone", &value));
    EXPECT_EQ(value, -1);
    EXPECT_FALSE(ApplySimAssignment(L"TW_SIM_SPEED=warp"));
    EXPECT_FALSE(ApplySimAssignment(L"TW_SIM_UNKNOWN=1"));
    EXPECT_TRUE(ApplySimAssignment(L"TW_SIM_RESET=1"));
    EXPECT_FALSE(FixedSimValue(L"GetPercentDone", &value));
}

}  // namespace
