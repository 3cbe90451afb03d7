// CGrenwickDlgAutoProxy: the automation object "Grenwick.Application".
#pragma once

#include "shell/cmd_target.h"

class CGrenwickDlg;

// The object's class id and its dispatch interface id.
extern const CLSID CLSID_GrenwickApplication;
extern const IID DIID_IGrenwick;
inline constexpr char kGrenwickProgId[] = "Grenwick.Application";
inline constexpr char kGrenwickClassId[] = "{22C3DF85-F798-45ED-8B94-E32D7E5FEBF4}";

class CGrenwickDlgAutoProxy final : public shell::CCmdTarget {
public:
    // Links itself to `dialog` (may be null) and keeps the program running while it lives.
    explicit CGrenwickDlgAutoProxy(CGrenwickDlg* dialog);
    ~CGrenwickDlgAutoProxy() override;

    CGrenwickDlg* Dialog() const { return m_dialog; }
    void DetachDialog() { m_dialog = nullptr; }

private:
    CGrenwickDlg* m_dialog;
};
