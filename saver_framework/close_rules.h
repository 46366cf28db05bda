#pragma once
// When input and power events end a full-screen saver; pure, so they can be tabled.
#include <windows.h>

// Manhattan distance the cursor may move before the saver closes.
constexpr int kMouseMoveThreshold = 4;

bool MouseMovedPastThreshold(POINT recorded, POINT now);

// Whether a WM_POWERBROADCAST event closes the saver. `ac_status_unchanged` tells
// whether the AC line status still equals the one recorded before.
bool PowerBroadcastCloses(WPARAM event, LPARAM data, bool ac_status_unchanged);
