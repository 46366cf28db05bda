#include "TidewellLink/handle_table.h"

#include "TidewellLink/debug_log.h"

#include <mutex>
#include <string>
#include <vector>

namespace {

struct VolumeHandleEntry {
  std::shared_ptr<TVolumeHandle> object;
  bool reserved = false;
};

std::mutex g_volume_handles_lock;
// Never destroyed: handles the host leaves open are not released when the
// library goes away (the engine may be gone by then); the leak report names them.
VolumeHandleEntry* const g_volume_handles = new VolumeHandleEntry[kVolumeHandleCount];

VolumeHandleEntry* EntryOf(int32_t handle) {
  uint32_t number = static_cast<uint32_t>(handle);
  if (number < 1 || number > static_cast<uint32_t>(kVolumeHandleCount)) return nullptr;
  return &g_volume_handles[number - 1];
}

}  // namespace

std::shared_ptr<TVolumeHandle> FindVolumeHandle(int32_t handle) {
  std::lock_guard<std::mutex> lock(g_volume_handles_lock);
  VolumeHandleEntry* entry = EntryOf(handle);
  return entry ? entry->object : nullptr;
}

int32_t ReserveVolumeHandle() {
  std::lock_guard<std::mutex> lock(g_volume_handles_lock);
  for (int32_t i = 1; i <= kVolumeHandleCount; ++i) {
    VolumeHandleEntry& entry = g_volume_handles[i - 1];
    if (entry.object || entry.reserved) continue;
    entry.reserved = true;
    return i;
  }
  return 0;
}

void FillVolumeHandle(int32_t handle, std::shared_ptr<TVolumeHandle> object) {
  std::lock_guard<std::mutex> lock(g_volume_handles_lock);
  VolumeHandleEntry* entry = EntryOf(handle);
  if (!entry) return;
  entry->object = std::move(object);
  entry->reserved = false;
}

void FreeReservedVolumeHandle(int32_t handle) {
  std::lock_guard<std::mutex> lock(g_volume_handles_lock);
  VolumeHandleEntry* entry = EntryOf(handle);
  if (entry) entry->reserved = false;
}

std::shared_ptr<TVolumeHandle> TakeVolumeHandle(int32_t handle) {
  std::lock_guard<std::mutex> lock(g_volume_handles_lock);
  VolumeHandleEntry* entry = EntryOf(handle);
  if (!entry) return nullptr;
  std::shared_ptr<TVolumeHandle> object = std::move(entry->object);
  entry->object.reset();
  return object;
}

void ReportVolumeHandleLeaks() {
  // At process exit the other threads are gone; one of them may have died
  // holding the lock, so the table is only read when the lock is free.
  std::vector<std::wstring> lines;
  {
    std::unique_lock<std::mutex> lock(g_volume_handles_lock, std::try_to_lock);
    if (!lock.owns_lock()) return;
    for (int32_t i = 1; i <= kVolumeHandleCount; ++i) {
      const std::shared_ptr<TVolumeHandle>& object = g_volume_handles[i - 1].object;
      if (!object) continue;
      lines.push_back(L"Memory leak: volume handle " + std::to_wstring(i) + L" (" +
                      object->DriveName() + L") was not closed.");
    }
  }
  for (const std::wstring& line : lines) DebugLog(line);
}
