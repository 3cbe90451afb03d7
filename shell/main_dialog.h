// CMainDialog: a program's main window with the shell's steps: About entry in the system
// menu, the About box, the program icon, painting while minimised, the help command.
#pragma once

#include "shell/dialog.h"

namespace shell {

// The framework's help command; every program routes it to OnHelp.
inline constexpr int kHelpCommand = 57670;

class CMainDialog : public CDialog {
public:
    explicit CMainDialog(int templateId, HINSTANCE resources = nullptr);
    HICON Icon() const { return m_icon; }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // Routes the help command; a program's own table comes after it.
    bool OnCommand(int id, int code) override;
    virtual void OnHelp() {}  // no help file ships with the kit

private:
    void AddAboutEntry();
    void PaintMinimised();

    HICON m_icon;
    HICON m_smallIcon;
};

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(HINSTANCE resources = nullptr);
};

// Loads string `id` from the module; empty when there is none.
std::string LoadResourceString(HINSTANCE module, UINT id);

}  // namespace shell
