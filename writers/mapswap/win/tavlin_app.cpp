// Tavlin's start: the map-swap writer's form, shown once; the program ends with it.
#include <windows.h>

#include "shell/app.h"
#include "writers/mapswap/win/tavlin_dlg.h"

namespace {

class CTavlinApp final : public shell::CDialogApp {
protected:
    void InitInstance() override {
        EnableControlStyles();
        CTavlinDlg dialog;
        SetMainDialog(&dialog);
        dialog.RunModal(nullptr);
        SetMainDialog(nullptr);
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CTavlinApp app;
    return app.Run(instance);
}
