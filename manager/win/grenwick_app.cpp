// Grenwick's start: OLE, the automation server, and the manager's window.
#include <windows.h>

#include <functional>
#include <string>

#include "base/files.h"
#include "manager/automation_switch.h"
#include "manager/system_runner.h"
#include "manager/win/auto_proxy.h"
#include "manager/win/grenwick_dlg.h"
#include "resources/grenwick/resource.h"
#include "shell/app.h"
#include "shell/message_box.h"
#include "shell/scoped_override.h"
#include "shell/server_registration.h"

namespace {

// The manager's state lives at the same fixed paths on every machine; the store of original
// files is left to the window, which keeps it in the player's local application data folder.
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

class CGrenwickApp final : public shell::CDialogApp {
protected:
    void InitInstance() override {
        // Objects clients still hold are released when OLE shuts down, so the lock outlives it.
        shell::ServerLock clients;
        ScopedOle ole;
        if (!ole.Ok()) {
            shell::SystemPrompter().Show(nullptr, shell::LoadResourceString(Instance(), IDS_OLE_INIT_FAILED));
            return;
        }
        EnableControlStyles();

        const bool automation = manager::IsAutomationStart(manager::ArgumentsOf(GetCommandLineA()));
        shell::CClassFactory factory([&clients] { return new CGrenwickDlgAutoProxy(clients); }, clients);
        const shell::ScopedClassObject classObject(grenwick::kClassId, factory, automation);
        // Written again at every ordinary start, so that it always names this executable.
        // Where it cannot be written the program still works; only automation is missing.
        if (!automation)
            shell::RegisterServer(grenwick::ServerEntries(shell::ExecutablePath()));

        base::PathKind lastModKind = base::PathKind::Missing;
        const base::UniqueFile lastModReader = base::OpenDiskFile(kFiles.lastMod, lastModKind);
        manager::SystemRunner runner;
        CGrenwickDlg dialog(kFiles, runner, lastModReader.get());
        dialog.ServeClients(clients, automation);
        const shell::ScopedOverride<std::function<void()>> closeWhenReleased(clients.onLastUnlock,
                                                                             [&dialog] { dialog.CloseIfHidden(); });
        dialog.RunModal(nullptr);
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CGrenwickApp app;
    return app.Run(instance);
}
