// CDialog: one dialog window from a template, with virtual hooks for the programs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace shell {

class CDialog {
public:
    // `resources` is the module holding the template (and the program's icon and strings);
    // null means the running executable. Tests pass a program loaded as a data file.
    explicit CDialog(int templateId, HINSTANCE resources = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    INT_PTR RunModal(HWND owner);     // the End() value; 0 or -1 when the dialog never ran
    HWND CreateModeless(HWND owner);  // used by tests to drive the real template
    HWND Hwnd() const { return m_hwnd; }
    HINSTANCE Resources() const { return m_resources; }

protected:
    virtual void DoDataExchange() {}
    virtual BOOL OnInitDialog();      // TRUE lets the system put the focus on the first tab stop
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
    // Any other message; true when handled, which keeps the platform's default away from it.
    // A message whose answer is a value sets it with SetMsgResult.
    virtual bool OnMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/) { return false; }
    virtual void OnDestroy() {}

    void SetMsgResult(LRESULT result);

    void End(INT_PTR result);         // EndDialog when modal, DestroyWindow otherwise
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
    std::string ItemText(int id) const;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);

    HWND m_hwnd = nullptr;
    int m_templateId;
    HINSTANCE m_resources;
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
