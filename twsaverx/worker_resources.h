#pragma once
// String table of the worker.
#define IDS_WINDOW_NAME 1
#define IDS_CLASS_NAME 2
