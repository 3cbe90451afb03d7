// A popup menu the user picks a command from, and the hook tests use to pick instead.
#pragma once

#include <windows.h>

#include <functional>

namespace shell {

// Shows `menu` at a point on the screen, owned by `owner`; the command chosen, 0 for none.
int ChooseFromMenu(HWND owner, HMENU menu, POINT at);

// Routes ChooseFromMenu to `choose` while the object lives, as ScopedAnswerSink does for
// questions; the previous chooser comes back afterwards.
class ScopedMenuChooser {
public:
    explicit ScopedMenuChooser(std::function<int(HMENU menu, POINT at)> choose);
    ~ScopedMenuChooser();
    ScopedMenuChooser(const ScopedMenuChooser&) = delete;
    ScopedMenuChooser& operator=(const ScopedMenuChooser&) = delete;

private:
    std::function<int(HMENU, POINT)> m_previous;
};

}  // namespace shell
