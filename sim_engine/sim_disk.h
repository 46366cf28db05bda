// The made-up disk behind a simulated volume: a map of blocks of clusters
// (one cluster state each) with a plausible layout, and the cluster ranges
// that an analysis or a defragmentation reports step by step.

#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum SimClusterState : uint8_t {
  SimFree = 0,
  SimNotFragmented = 1,
  SimMasterFileTable = 2,
  SimFragmented = 3,
  SimDefragmented = 4,
  SimProcessing = 5,
};

struct SimRange {
  int64_t first;
  int64_t last;
  int32_t state;
};

struct SimDisk {
  int64_t clusters = 0;
  int64_t block_clusters = 1;
  std::vector<uint8_t> blocks;
};

SimDisk MakeSimDisk(int64_t clusters, uint32_t seed);

// Blocks [from, to) as ranges, neighbours of one state joined.
std::vector<SimRange> DescribeBlocks(const SimDisk& disk, size_t from, size_t to);

struct SimDiskStats {
  int64_t used_blocks = 0;
  int64_t fragmented_blocks = 0;
};
SimDiskStats CountSimDisk(const SimDisk& disk);

// One defragmentation step. With moves > 0 (or finish), the blocks in
// `moving` settle as defragmented and up to `moves` fragmented blocks move to
// the lowest free blocks (or stay in place) and show as processing; with no
// move the blocks in progress are reported as processing again, so the map
// stays busy between moves. Answers the ranges to report.
std::vector<SimRange> DefragStep(SimDisk& disk, std::vector<size_t>& moving, size_t moves,
                                 bool finish);

// A plausible file name for the block being worked on.
std::wstring SimFileName(const std::wstring& drive, uint32_t number);

// The same file moved down one-letter folders below the drive's root until the
// path is `length` characters long (a shorter length leaves it as it is).
std::wstring DeepenSimPath(const std::wstring& path, size_t length);
