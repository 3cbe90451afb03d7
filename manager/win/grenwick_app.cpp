// Grenwick's start: OLE, the automation server, and the manager's window.
#include <windows.h>

#include <string>

#include "base/files.h"
#include "manager/automation_switch.h"
#include "manager/system_runner.h"
#include "manager/win/auto_proxy.h"
#include "manager/win/grenwick_dlg.h"
#include "manager/win/registration.h"
#include "resources/grenwick/resource.h"
#include "shell/app.h"
#include "shell/message_box.h"

namespace {

// The manager's state lives at the same fixed paths on every machine.
const manager::ManagerFiles kFiles{
    "C:\\zorvmodnames.txt",
    "C:\\zorvmodpaths.txt",
    "C:\\Windows\\system32\\lastmod.txt",
};

class ScopedOle {
public:
    ScopedOle() : m_ok(SUCCEEDED(OleInitialize(nullptr))) {}
    ~ScopedOle() {
        if (m_ok)
            OleUninitialize();
    }
    ScopedOle(const ScopedOle&) = delete;
    ScopedOle& operator=(const ScopedOle&) = delete;
    bool Ok() const { return m_ok; }

private:
    bool m_ok;
};

// Written again at every ordinary start, so that it always names this executable.
void UpdateRegistration() {
    HKEY userClasses = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, &userClasses, nullptr) != ERROR_SUCCESS)
        userClasses = nullptr;
    // Where neither can be written the program still works; only automation is missing.
    manager::RegisterServer({manager::GuidText(CLSID_GrenwickApplication), kGrenwickProgId, "Grenwick Application", shell::ExecutablePath()},
                            HKEY_CLASSES_ROOT, userClasses);
    if (userClasses)
        RegCloseKey(userClasses);
}

class CGrenwickApp final : public shell::CDialogApp {
protected:
    void InitInstance() override {
        ScopedOle ole;
        if (!ole.Ok()) {
            shell::ShowMessage(nullptr, shell::LoadResourceString(Instance(), IDS_OLE_INIT_FAILED));
            return;
        }
        EnableControlStyles();

        const bool automation = manager::IsAutomationStart(manager::ArgumentsOf(GetCommandLineA()));
        shell::CClassFactory factory([] { return new CGrenwickDlgAutoProxy; });
        const shell::ScopedClassObject classObject(CLSID_GrenwickApplication, factory, automation);
        if (!automation)
            UpdateRegistration();

        base::PathKind lastModKind = base::PathKind::Missing;
        const base::UniqueFile lastModReader = base::OpenDiskFile(kFiles.lastMod, lastModKind);
        manager::SystemRunner runner;
        CGrenwickDlg dialog(kFiles, runner, lastModReader.get());
        dialog.SetStartedByAutomation(automation);
        SetMainDialog(&dialog);
        const shell::ScopedLastUnlockHandler closeWhenReleased([&dialog] { dialog.CloseIfHidden(); });
        dialog.RunModal(nullptr);
        SetMainDialog(nullptr);
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CGrenwickApp app;
    return app.Run(instance);
}
