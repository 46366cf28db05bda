#pragma once
// The states a cell of the map can be in, as the engine reports them, and their colours.
#include <windows.h>

#include <cstdint>

// Cell states as the engine reports them; any other code is drawn as free space.
enum ClusterState : int32_t {
  FreeSpace = 0,
  NotFragmented = 1,
  MasterFileTable = 2,
  Fragmented = 3,
  Defragmented = 4,
  Processing = 5,
};
constexpr int kClusterStateCount = 6;

// The six state colours (COLORREF 0x00BBGGRR) in state order.
extern const COLORREF cluster_colors_arr[kClusterStateCount];
