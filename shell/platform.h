// What a window asks of the user and the system besides its own controls. The programs
// take the system's own; tests pass stand-ins for what they watch.
#pragma once

#include "shell/elevation.h"
#include "shell/message_box.h"
#include "shell/popup_menu.h"

namespace shell {

struct Platform {
    Prompter* prompter = &SystemPrompter();
    MenuChooser* menus = &SystemMenuChooser();
    Elevation* elevation = &SystemElevation();
};

}  // namespace shell
