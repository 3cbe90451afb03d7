// Tavlin's start: the map-swap writer's form, shown once; the program ends with it.
#include <windows.h>

#include "shell/app.h"
#include "writers/mapswap/win/tavlin_dlg.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    shell::CFormApp<CTavlinDlg> app;
    return app.Run(instance);
}
