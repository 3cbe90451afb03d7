// Version number of the kit, stamped into every program's version record.
// Keep the numeric and the string forms in step.
#ifndef KIT_VERSION_H
#define KIT_VERSION_H

#define KIT_VERSION_MAJOR 1
#define KIT_VERSION_MINOR 0
#define KIT_VERSION_PATCH 0
#define KIT_VERSION_BUILD 1

#define KIT_VERSION_NUM 1,0,0,1
#define KIT_VERSION_STR "1.0.0.1"

#endif
