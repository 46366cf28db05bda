#pragma once
// Helpers shared by the scene's tests.
#include <cstdint>
#include <string>
#include <vector>

#include "core/drive_list.h"
#include "core/saver_scene.h"

using Log = std::vector<std::wstring>;

// Every message since the start while no slide has run: the top line, then the queue.
Log LoggedMessages(const SaverScene& scene);

// The messages one to a line, for failure output.
std::string Narrow(const Log& log);

// Appends a drive with this root path to the list.
void AddDrive(DiskList* drives, const wchar_t* root, bool selected);

// The end-of-cycle line for a stored time, built from the platform's own
// local-time conversion (not the runtime's that the scene uses).
std::wstring ExpectedEndLine(int64_t seconds);

// The stored "LastDefrag" text; "(absent)" when there is none.
std::wstring StoredLastDefrag();

// Removes the scene's two settings from the user's key.
void DeleteSceneSettings();
