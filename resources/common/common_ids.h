// Resource numbers shared by all three programs' scripts and their dialog code.
// Read by both the C++ compiler and windres, so it holds only #ifndef guards and plain #defines.
#ifndef KIT_COMMON_IDS_H
#define KIT_COMMON_IDS_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// System-menu command for the About entry; the low four bits stay clear for the system.
#define IDM_ABOUTBOX 0x0010
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDI_APP 128

#endif
