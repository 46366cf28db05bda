#include "sim_engine/sim_disk.h"

#include <algorithm>

namespace {

const size_t kMaxBlocks = 1536;  // about one cell of a 48-column map each

uint32_t NextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

SimRange BlockRange(const SimDisk& disk, size_t block, int32_t state) {
  int64_t first = static_cast<int64_t>(block) * disk.block_clusters;
  int64_t last =
      block + 1 == disk.blocks.size() ? disk.clusters - 1 : first + disk.block_clusters - 1;
  return SimRange{first, last, state};
}

}  // namespace

SimDisk MakeSimDisk(int64_t clusters, uint32_t seed) {
  SimDisk disk;
  disk.clusters = std::max<int64_t>(clusters, 1);
  size_t count = static_cast<size_t>(std::min<int64_t>(disk.clusters, kMaxBlocks));
  disk.block_clusters = disk.clusters / static_cast<int64_t>(count);
  disk.blocks.assign(count, SimFree);
  uint32_t random = seed | 1;
  for (size_t i = 0; i < count; ++i) {
    double position = static_cast<double>(i) / count;
    if (position >= 0.12 && position < 0.135) {
      disk.blocks[i] = SimMasterFileTable;
      continue;
    }
    // Dense at the start, thinning out toward the end of the disk.
    unsigned used_percent =
        position < 0.45 ? 92 : static_cast<unsigned>(92 - (position - 0.45) * 130);
    if (NextRandom(random) % 100 >= used_percent) continue;
    disk.blocks[i] = NextRandom(random) % 100 < 13 ? SimFragmented : SimNotFragmented;
  }
  return disk;
}

std::vector<SimRange> DescribeBlocks(const SimDisk& disk, size_t from, size_t to) {
  std::vector<SimRange> ranges;
  to = std::min(to, disk.blocks.size());
  for (size_t i = from; i < to; ++i) {
    SimRange range = BlockRange(disk, i, disk.blocks[i]);
    if (!ranges.empty() && ranges.back().state == range.state &&
        ranges.back().last + 1 == range.first)
      ranges.back().last = range.last;
    else
      ranges.push_back(range);
  }
  return ranges;
}

SimDiskStats CountSimDisk(const SimDisk& disk) {
  SimDiskStats stats;
  for (uint8_t state : disk.blocks) {
    if (state != SimFree) ++stats.used_blocks;
    if (state == SimFragmented) ++stats.fragmented_blocks;
  }
  return stats;
}

std::vector<SimRange> DefragStep(SimDisk& disk, std::vector<size_t>& moving, size_t moves,
                                 bool finish) {
  std::vector<SimRange> ranges;
  if (moves == 0 && !finish) {
    for (size_t block : moving) ranges.push_back(BlockRange(disk, block, SimProcessing));
    return ranges;
  }
  for (size_t block : moving) {
    disk.blocks[block] = SimDefragmented;
    ranges.push_back(BlockRange(disk, block, SimDefragmented));
  }
  moving.clear();
  for (size_t n = 0; n < moves; ++n) {
    auto fragmented = std::find(disk.blocks.begin(), disk.blocks.end(), SimFragmented);
    if (fragmented == disk.blocks.end()) break;
    size_t source = static_cast<size_t>(fragmented - disk.blocks.begin());
    auto free_block = std::find(disk.blocks.begin(), disk.blocks.end(), SimFree);
    size_t target = source;
    if (free_block != disk.blocks.end() &&
        static_cast<size_t>(free_block - disk.blocks.begin()) < source) {
      target = static_cast<size_t>(free_block - disk.blocks.begin());
      disk.blocks[source] = SimFree;
      ranges.push_back(BlockRange(disk, source, SimFree));
    }
    disk.blocks[target] = SimProcessing;
    ranges.push_back(BlockRange(disk, target, SimProcessing));
    moving.push_back(target);
  }
  return ranges;
}

std::wstring SimFileName(const std::wstring& drive, uint32_t number) {
  static const wchar_t* const kFolders[] = {
      L"Windows\\System32",    L"Program Files\\Orbenlake\\Tidewell",
      L"Users\\Public\\Music", L"Users\\Public\\Pictures\\Holiday",
      L"ProgramData\\Cache",   L"Windows\\WinSxS\\Backup"};
  static const wchar_t* const kNames[] = {L"archive", L"photo",  L"library", L"setup",
                                          L"index",   L"report", L"track",   L"data"};
  static const wchar_t* const kExtensions[] = {L".dll", L".jpg", L".dat", L".mp3", L".log"};
  std::wstring root = drive.empty() ? L"C:\\" : drive;
  if (root.back() != L'\\') root += L'\\';
  return root + kFolders[number % 6] + L"\\" + kNames[(number / 6) % 8] +
         std::to_wstring(number % 997) + kExtensions[(number / 48) % 5];
}

std::wstring DeepenSimPath(const std::wstring& path, size_t length) {
  const size_t root = path.find(L'\\');
  if (root == std::wstring::npos || path.size() >= length) return path;
  const size_t missing = length - path.size();
  std::wstring folders;
  for (size_t i = 0; i + 2 <= missing; i += 2) folders += L"d\\";
  if (missing % 2 == 1) folders.insert(0, 1, L'e');  // odd: one name a letter longer
  return path.substr(0, root + 1) + folders + path.substr(root + 1);
}
