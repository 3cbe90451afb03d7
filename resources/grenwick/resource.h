// Resource numbers of the mod manager's script and dialog code.
// Sorted by value; the numbers all programs share come from common_ids.h.
#ifndef GRENWICK_RESOURCE_H
#define GRENWICK_RESOURCE_H

#include "../common/common_ids.h"

// Menu commands of the system menu and the list's context menu: the system keeps the low
// four bits of a system-menu command for itself, so they stay clear.
#define IDM_RESTORE_ORIGINALS 0x0020
#define IDM_UNDO_LAST_MOD 0x0030
#define IDM_REMOVE_MOD 0x0040
#define IDM_APPLIED_MODS 0x0050
#define IDM_WHAT_CHANGES 0x0060

// A string, so it may share its number with the About dialog.
#define IDS_OLE_INIT_FAILED 100
#define IDS_RESTORE_ORIGINALS 103
#define IDS_REMOVE_FROM_LIST 104
#define IDD_PROGRESS 105
#define IDS_UNDO_LAST_MOD 106
#define IDS_APPLIED_MODS 107
#define IDD_APPLIED_MODS 108
#define IDS_WHAT_CHANGES 109
#define IDD_WHAT_CHANGES 110
#define IDD_FILES_QUESTION 111

#define IDC_MOD_LIST 1001
#define IDC_GRENWICK_BATCH_FILE 1003
#define IDC_ADD_BATCH 1004
#define IDC_RESET_LIST 1006
#define IDC_SHOW_LAST 1007
#define IDC_PATH_LIST 1008
#define IDC_PROGRESS_TEXT 1009
#define IDC_APPLIED_LIST 1010
#define IDC_APPLIED_FILES 1011
#define IDC_TAKE_OUT 1012
#define IDC_PROGRESS_BAR 1013
#define IDC_WHAT_FILES 1020
#define IDC_WHAT_LINES 1022
#define IDC_WHAT_SUMMARY 1024
#define IDC_QUESTION_TEXT 1026
#define IDC_QUESTION_FILES 1027

#endif
