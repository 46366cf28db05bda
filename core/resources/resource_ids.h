#pragma once
// Resource ids shared by both programs (used by resource scripts and C++ alike).

#define DLG_SCRNSAVECONFIGURE 2003
#define IDC_DRIVE_LIST 1009
#define IDC_VENDOR_LINK 1010
#define IDC_IDLE_ANIMATION 1011

#define IDB_SHINE 132
#define IDI_PROGRAM 105

// String table of the programs.
#define IDS_DESCRIPTION 1
