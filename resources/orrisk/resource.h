// Resource numbers of the PPF writer's script and dialog code.
// Sorted by value; the numbers all programs share come from common_ids.h.
#ifndef ORRISK_RESOURCE_H
#define ORRISK_RESOURCE_H

#include "../common/common_ids.h"

#define IDC_PPF_FILE 1000
#define IDC_ORRISK_MOD_NAME 1001
#define IDC_ORRISK_BATCH_FILE 1002
#define IDC_MAP_FILE 1003

#endif
