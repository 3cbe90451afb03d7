// CDialog: one dialog window from a template, with virtual hooks for the programs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "shell/list_box.h"
#include "shell/platform.h"

namespace shell {

class CDialog {
public:
    // `resources` is the module holding the template (and the program's icon and strings);
    // null means the running executable. Tests pass a program loaded as a data file, and
    // stand-ins in `platform`.
    explicit CDialog(int templateId, HINSTANCE resources = nullptr, const Platform& platform = {});
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    INT_PTR RunModal(HWND owner);     // the End() value; 0 or -1 when the dialog never ran
    HWND CreateModeless(HWND owner);  // used by tests to drive the real template
    HWND Hwnd() const { return m_hwnd; }
    HINSTANCE Resources() const { return m_resources; }
    const Platform& System() const { return m_platform; }

protected:
    // TRUE lets the system put the focus on the first tab stop.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
    // Any other message; true when handled, which keeps the platform's default away from it.
    // A message whose answer is a value sets it with SetMsgResult.
    virtual bool OnMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/) { return false; }

    void SetMsgResult(LRESULT result);

    void End(INT_PTR result);         // EndDialog when modal, DestroyWindow otherwise
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
    CListBox ListBox(int id) const { return CListBox(Item(id)); }
    void FocusItem(int id);  // as Tab would, selecting an edit field's text
    // The platform's message box and Yes/No question, owned by this window.
    void Say(const std::string& text) { m_platform.prompter->Show(m_hwnd, text); }
    bool AskYesNo(const std::string& text, bool defaultYes) {
        return m_platform.prompter->AskYesNo(m_hwnd, text, defaultYes);
    }

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);

    HWND m_hwnd = nullptr;
    int m_templateId;
    HINSTANCE m_resources;
    Platform m_platform;
    bool m_modal = false;
    LRESULT m_msgResult = 0;
};

// Binds control ids to member handlers; the table sits next to the handlers it names.
template <class Dlg>
struct CommandEntry {
    int id;
    void (Dlg::*handler)();
};

template <class Dlg, std::size_t N>
bool RunCommand(Dlg& dlg, const CommandEntry<Dlg> (&table)[N], int id) {
    for (const auto& entry : table) {
        if (entry.id == id) {
            (dlg.*entry.handler)();
            return true;
        }
    }
    return false;
}

}  // namespace shell
