#pragma once
// Helpers shared by the scene's tests.
#include <cstdint>
#include <string>

// The end-of-cycle line for a stored time, built from the platform's own
// local-time conversion (not the runtime's that the scene uses).
std::wstring ExpectedEndLine(int64_t seconds);

// Removes the scene's two settings from the user's key.
void DeleteSceneSettings();
