// CDialogApp: the application object of a dialog program.
#pragma once

#include <windows.h>

#include <string>

namespace shell {

class CDialogApp {
public:
    CDialogApp() = default;
    virtual ~CDialogApp() = default;
    CDialogApp(const CDialogApp&) = delete;
    CDialogApp& operator=(const CDialogApp&) = delete;

    // Runs InitInstance; no message loop follows, so the program ends with its dialog.
    int Run(HINSTANCE instance);

    HINSTANCE Instance() const { return m_instance; }


protected:
    // The program's start steps and its modal main dialog.
    virtual void InitInstance() = 0;
    // Turns on today's look for the common controls (the manifest asks for version 6).
    static void EnableControlStyles();

private:
    HINSTANCE m_instance = nullptr;
};

// The application object of a program whose whole life is one form of class Dlg.
template <class Dlg>
class CFormApp final : public CDialogApp {
protected:
    void InitInstance() override {
        EnableControlStyles();
        Dlg dialog;
        dialog.RunModal(nullptr);
    }
};

// The full path of the running executable.
std::string ExecutablePath();

}  // namespace shell
