// Orrisk's start: the PPF writer's form as the program's one modal window.
#include <windows.h>

#include "shell/app.h"
#include "writers/ppf/win/orrisk_dlg.h"

namespace {

class COrriskApp final : public shell::CDialogApp {
protected:
    void InitInstance() override {
        EnableControlStyles();
        COrriskDlg dialog;
        SetMainDialog(&dialog);
        dialog.RunModal(nullptr);
        SetMainDialog(nullptr);
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    COrriskApp app;
    return app.Run(instance);
}
