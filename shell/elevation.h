// Administrator rights: whether this process has them, and starting the program again
// with them.
#pragma once

#include <windows.h>

namespace shell {

class Elevation {
public:
    virtual ~Elevation() = default;
    // True when the process runs with an elevated token, or when that cannot be told (then
    // nothing is claimed about rights).
    virtual bool IsElevated() = 0;
    // Starts this program's executable again in the current folder, asking the user for
    // administrator rights. False when it did not start.
    virtual bool StartElevated(HWND owner) = 0;
};

// The running process's token and the shell's "runas" verb.
Elevation& SystemElevation();

}  // namespace shell
