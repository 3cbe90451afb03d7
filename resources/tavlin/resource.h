// Resource numbers of the map-swap writer's script and dialog code.
// Sorted by value; the numbers all programs share come from common_ids.h.
#ifndef TAVLIN_RESOURCE_H
#define TAVLIN_RESOURCE_H

#include "../common/common_ids.h"

#define IDC_ORIGINAL1 1000
#define IDC_MODDED1 1001
#define IDC_ORIGINAL2 1002
#define IDC_MODDED2 1003
#define IDC_ORIGINAL3 1004
#define IDC_MODDED3 1005
#define IDC_OUTPUT_FILE 1006
#define IDC_TAVLIN_MOD_NAME 1007

#endif
