// Registry entries of a local automation server.
#include "shell/server_registration.h"

#include <objbase.h>

#include "base/unique_handle_win.h"

namespace shell {
namespace {

bool SetDefaultValue(HKEY parent, const std::string& subKey, const std::string& value) {
    HKEY made = nullptr;
    if (RegCreateKeyExA(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &made,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const base::RegistryKey key(made);
    return RegSetValueExA(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// COM appends its switch to the LocalServer32 command line, so the path is quoted.
bool WriteRegistration(HKEY classesKey, const ServerRegistration& server) {
    const std::string classKey = "CLSID\\" + server.classId;
    return SetDefaultValue(classesKey, server.progId, server.description) &&
           SetDefaultValue(classesKey, server.progId + "\\CLSID", server.classId) &&
           SetDefaultValue(classesKey, classKey, server.description) &&
           SetDefaultValue(classesKey, classKey + "\\ProgID", server.progId) &&
           SetDefaultValue(classesKey, classKey + "\\LocalServer32", "\"" + server.serverPath + "\"");
}

}  // namespace

std::string GuidText(const GUID& guid) {
    wchar_t wide[64] = {};
    const int length = StringFromGUID2(guid, wide, 64);
    // The text is hexadecimal digits, braces and dashes only: each one fits a byte as it is.
    return length > 0 ? std::string(wide, wide + length - 1) : std::string();
}

RegisteredIn RegisterServer(const ServerRegistration& server, HKEY classesRoot, HKEY userClasses) {
    if (WriteRegistration(classesRoot, server))
        return RegisteredIn::ClassesRoot;
    if (WriteRegistration(userClasses, server))
        return RegisteredIn::UserClasses;
    return RegisteredIn::Nowhere;
}

RegisteredIn RegisterServer(const ServerRegistration& server) {
    HKEY made = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, &made, nullptr) != ERROR_SUCCESS)
        made = nullptr;
    const base::RegistryKey userClasses(made);
    return RegisterServer(server, HKEY_CLASSES_ROOT, userClasses.Get());
}

}  // namespace shell
