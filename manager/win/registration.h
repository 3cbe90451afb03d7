// The automation server's entries in the registry.
#pragma once

#include <windows.h>

#include <string>

namespace manager {

struct ServerRegistration {
    std::string classId;      // "{...}"
    std::string progId;       // "Grenwick.Application"
    std::string description;
    std::string serverPath;   // the executable COM starts
};

// A GUID as the registry writes it: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(const GUID& guid);

// Writes the class and program identifier keys below `classesKey`. False on any failure.
bool WriteRegistration(HKEY classesKey, const ServerRegistration& server);

enum class RegisteredIn { ClassesRoot, UserClasses, Nowhere };

// Writes below `classesRoot`; where that is refused (a standard user on Windows), below
// `userClasses` instead, which Windows merges into the classes view.
RegisteredIn RegisterServer(const ServerRegistration& server, HKEY classesRoot, HKEY userClasses);

}  // namespace manager
