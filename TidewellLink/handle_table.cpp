#include "TidewellLink/handle_table.h"

#include <mutex>

namespace {

struct VolumeHandleEntry {
    std::shared_ptr<TVolumeHandle> object;
    bool reserved = false;
};

std::mutex g_volume_handles_lock;
VolumeHandleEntry g_volume_handles[kVolumeHandleCount];

VolumeHandleEntry* EntryOf(int32_t handle)
{
    uint32_t number = static_cast<uint32_t>(handle);
    if (number < 1 || number > static_cast<uint32_t>(kVolumeHandleCount)) return nullptr;
    return &g_volume_handles[number - 1];
}

}  // namespace

std::shared_ptr<TVolumeHandle> FindVolumeHandle(int32_t handle)
{
    std::lock_guard<std::mutex> lock(g_volume_handles_lock);
    VolumeHandleEntry* entry = EntryOf(handle);
    return entry ? entry->object : nullptr;
}

int32_t ReserveVolumeHandle()
{
    std::lock_guard<std::mutex> lock(g_volume_handles_lock);
    for (int32_t i = 1; i <= kVolumeHandleCount; ++i) {
        VolumeHandleEntry& entry = g_volume_handles[i - 1];
        if (entry.object || entry.reserved) continue;
        entry.reserved = true;
        return i;
    }
    return 0;
}

void FillVolumeHandle(int32_t handle, std::shared_ptr<TVolumeHandle> object)
{
    std::lock_guard<std::mutex> lock(g_volume_handles_lock);
    VolumeHandleEntry* entry = EntryOf(handle);
    if (!entry) return;
    entry->object = std::move(object);
    entry->reserved = false;
}

void FreeReservedVolumeHandle(int32_t handle)
{
    std::lock_guard<std::mutex> lock(g_volume_handles_lock);
    VolumeHandleEntry* entry = EntryOf(handle);
    if (entry) entry->reserved = false;
}

std::shared_ptr<TVolumeHandle> TakeVolumeHandle(int32_t handle)
{
    std::lock_guard<std::mutex> lock(g_volume_handles_lock);
    VolumeHandleEntry* entry = EntryOf(handle);
    if (!entry) return nullptr;
    std::shared_ptr<TVolumeHandle> object = std::move(entry->object);
    entry->object.reset();
    return object;
}
