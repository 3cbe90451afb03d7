// The programs' own dialog objects on the templates built into their executables, for the
// tests that drive a writer's form and then Grenwick's window over what it wrote.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "manager/system_runner.h"
#include "manager/win/grenwick_dlg.h"
#include "resources/grenwick/resource.h"
#include "wine_support.h"

namespace wine_support {

// A writer's form (CTavlinDlg, COrriskDlg) from the template in `program`, shown modeless.
template <class Dlg>
class FormWindow {
public:
    explicit FormWindow(const char* program)
        : m_resources(program), m_dialog(m_resources.Module(), user.Platform()),
          m_hwnd(m_dialog.CreateModeless(nullptr)) {
        ShowWindow(m_hwnd, SW_SHOW);
    }
    HWND Hwnd() const { return m_hwnd; }

    StandIns user;

private:
    ProgramResources m_resources;
    Dlg m_dialog;
    HWND m_hwnd;
};

// Grenwick's window over list files in the current folder, running mods through the real
// command interpreter.
class RealGrenwick {
public:
    RealGrenwick()
        : m_dialog({"names.lst", "paths.lst", "lastmod.txt"}, m_runner, nullptr, m_resources.Module(),
                   user.Platform()),
          m_hwnd(m_dialog.CreateModeless(nullptr)) {}
    HWND Hwnd() const { return m_hwnd; }

    // Adds the batch file as if typed into the field, selects the first mod and gives the
    // names the list shows.
    std::vector<std::string> AddAndSelect(const std::string& batchFile) const {
        SetText(m_hwnd, IDC_GRENWICK_BATCH_FILE, batchFile);
        Click(m_hwnd, IDC_ADD_BATCH);
        SendDlgItemMessageA(m_hwnd, IDC_MOD_LIST, LB_SETCURSEL, 0, 0);
        return ListItems(m_hwnd, IDC_MOD_LIST);
    }

    StandIns user;

private:
    ProgramResources m_resources{"Grenwick.exe"};
    manager::SystemRunner m_runner;
    CGrenwickDlg m_dialog;
    HWND m_hwnd;
};

}  // namespace wine_support
