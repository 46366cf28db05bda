// g_volume_handles: the ten volume handle entries, numbered 1..10. Used from
// the host's threads and from inside callbacks on the engine's thread, so
// every access takes the table's lock, and callers hold a shared reference to
// the object for the length of a call: closing a handle on one thread never
// frees an object another thread is still using.

#pragma once

#include "TidewellLink/volume_handle.h"

#include <cstdint>
#include <memory>

constexpr int32_t kVolumeHandleCount = 10;

// The entry's object when the handle, as unsigned, lies in 1..10 and the entry
// is occupied; NULL otherwise.
std::shared_ptr<TVolumeHandle> FindVolumeHandle(int32_t handle);

// Marks the lowest free entry as being filled and answers its number, or 0
// when all ten are taken. The entry stays unavailable until FillVolumeHandle
// or FreeReservedVolumeHandle.
int32_t ReserveVolumeHandle();
void FillVolumeHandle(int32_t handle, std::shared_ptr<TVolumeHandle> object);
void FreeReservedVolumeHandle(int32_t handle);

// Reserves the lowest free entry for its scope: unless Fill gives it its object,
// the entry is free again when the reservation ends, however that comes about.
class VolumeHandleReservation {
 public:
  VolumeHandleReservation() : reserved(ReserveVolumeHandle()) {}
  ~VolumeHandleReservation() {
    if (reserved) FreeReservedVolumeHandle(reserved);
  }
  VolumeHandleReservation(const VolumeHandleReservation&) = delete;
  VolumeHandleReservation& operator=(const VolumeHandleReservation&) = delete;

  // The entry's number, 0 when all ten were taken.
  int32_t handle() const { return reserved; }
  void Fill(std::shared_ptr<TVolumeHandle> object) {
    FillVolumeHandle(reserved, std::move(object));
    reserved = 0;
  }

 private:
  int32_t reserved;
};

// Empties the entry and answers what it held (NULL when it was not valid).
std::shared_ptr<TVolumeHandle> TakeVolumeHandle(int32_t handle);

// Writes one debug line per handle still open (none when all are closed).
// For the end of the process: skipped when the table's lock is held.
void ReportVolumeHandleLeaks();
