// The process-wide drive list and scene, in this order: the scene keeps the list's address.
// Only the two programs link this file; tests construct scenes of their own.
#include "core/drive_list/drive_list.h"
#include "core/scene/saver_scene.h"

DiskList drive_list;
SaverScene screen_saver(&drive_list);
