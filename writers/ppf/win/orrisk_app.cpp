// Orrisk's start: the PPF writer's form, shown once; the program ends with it.
#include <windows.h>

#include "shell/app.h"
#include "writers/ppf/win/orrisk_dlg.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    shell::CFormApp<COrriskDlg> app;
    return app.Run(instance);
}
