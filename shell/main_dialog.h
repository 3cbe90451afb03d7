// CMainDialog: a program's main window with the shell's steps: About entry in the system
// menu, the About box, the program icon, painting while minimised.
#pragma once

#include "shell/dialog.h"

namespace shell {

class CMainDialog : public CDialog {
public:
    explicit CMainDialog(int templateId, HINSTANCE resources = nullptr, const Platform& platform = {});

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void AddAboutEntry();
    void PaintMinimised();

    HICON m_icon;
    HICON m_smallIcon;
};

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(HINSTANCE resources = nullptr, const Platform& platform = {});
};

// Loads string `id` from the module; empty when there is none.
std::string LoadResourceString(HINSTANCE module, UINT id);

}  // namespace shell
