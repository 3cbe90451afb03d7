// Administrator rights: whether this process has them, and starting the program again
// with them; tests put stand-ins in place of both.
#pragma once

#include <windows.h>

#include <functional>

namespace shell {

// True when the process runs with an elevated token, or when that cannot be told (then
// nothing is claimed about rights).
bool IsElevated();

// Starts this program's executable again in the current folder with the verb "runas",
// which asks the user for administrator rights. False when it did not start.
bool StartElevated(HWND owner);

// Replaces both functions while the object lives; the previous ones come back afterwards.
class ScopedElevationStandIn {
public:
    ScopedElevationStandIn(bool elevated, std::function<bool()> start);
    ~ScopedElevationStandIn();
    ScopedElevationStandIn(const ScopedElevationStandIn&) = delete;
    ScopedElevationStandIn& operator=(const ScopedElevationStandIn&) = delete;

private:
    std::function<bool()> m_previousElevated;
    std::function<bool()> m_previousStart;
};

}  // namespace shell
