// A local automation server's entries in the registry: its class and its program id.
#pragma once

#include <windows.h>

#include <string>

namespace shell {

struct ServerRegistration {
    std::string classId;      // "{...}"
    std::string progId;       // "Program.Application"
    std::string description;
    std::string serverPath;   // the executable COM starts
};

// A GUID as the registry writes it: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(const GUID& guid);

enum class RegisteredIn { ClassesRoot, UserClasses, Nowhere };

// Writes below `classesRoot`; where that is refused (a standard user on Windows), below
// `userClasses` instead, which Windows merges into the classes view.
RegisteredIn RegisterServer(const ServerRegistration& server, HKEY classesRoot, HKEY userClasses);

// The same for this user: the classes root, else HKEY_CURRENT_USER\Software\Classes.
RegisteredIn RegisterServer(const ServerRegistration& server);

}  // namespace shell
