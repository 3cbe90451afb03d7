// The automation server: its registration, and real clients creating "Grenwick.Application".
#include <gtest/gtest.h>

#include <ole2.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>

#include "manager/win/auto_proxy.h"
#include "shell/server_registration.h"
#include "tests/support/window_text.h"
#include "wine_support.h"

namespace {

using namespace std::chrono_literals;

// The class id as the registry must hold it, made by the program from its GUID.
constexpr char kClassIdText[] = "{22C3DF85-F798-45ED-8B94-E32D7E5FEBF4}";

const shell::ServerRegistration& Registration() {
    static const shell::ServerRegistration server = grenwick::ServerEntries(wine_support::BinDir() + "Grenwick.exe");
    return server;
}

std::string DefaultValue(HKEY root, const std::string& subKey) {
    DWORD size = 0;
    if (RegGetValueA(root, subKey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return {};
    std::string value(size, '\0');
    if (RegGetValueA(root, subKey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS)
        return {};
    value.resize(size > 0 ? size - 1 : 0);
    return value;
}

// A scratch key below HKCU, deleted afterwards; opened with the access asked for.
class ScratchKey {
public:
    ScratchKey(const std::string& name, REGSAM access) : m_name("Software\\GrenwickTests\\" + name) {
        RegCreateKeyExA(HKEY_CURRENT_USER, m_name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_full, nullptr);
        RegOpenKeyExA(HKEY_CURRENT_USER, m_name.c_str(), 0, access, &m_key);
    }
    ~ScratchKey() {
        RegCloseKey(m_key);
        RegCloseKey(m_full);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_name.c_str());
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    HKEY Key() const { return m_key; }
    HKEY Full() const { return m_full; }

private:
    std::string m_name;
    HKEY m_full = nullptr;
    HKEY m_key = nullptr;
};

TEST(Registration, WritesTheClassesRootOrFallsBackToTheUserClasses) {
    const std::string classKey = std::string("CLSID\\") + kClassIdText;
    {
        SCOPED_TRACE("classes root writable");
        ScratchKey user("User1", KEY_ALL_ACCESS);
        ASSERT_EQ(shell::RegisterServer(Registration(), HKEY_CLASSES_ROOT, user.Key()),
                  shell::RegisteredIn::ClassesRoot);
        EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, std::string(grenwick::kProgId) + "\\CLSID"), kClassIdText);
        EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, classKey + "\\LocalServer32"),
                  "\"" + Registration().serverPath + "\"");
        EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, classKey + "\\ProgID"), grenwick::kProgId);
        EXPECT_EQ(DefaultValue(user.Full(), classKey), "") << "nothing goes to the user's classes";
    }
    {
        SCOPED_TRACE("classes root refused, as for a standard user");
        // A key deleted under its open handle refuses every write, on Windows and Wine alike.
        ScratchKey refused("Root", KEY_ALL_ACCESS);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\GrenwickTests\\Root");
        ScratchKey user("User2", KEY_ALL_ACCESS);
        ASSERT_EQ(shell::RegisterServer(Registration(), refused.Key(), user.Key()),
                  shell::RegisteredIn::UserClasses);
        EXPECT_EQ(DefaultValue(user.Full(), std::string(grenwick::kProgId) + "\\CLSID"), kClassIdText);
        EXPECT_EQ(DefaultValue(user.Full(), classKey + "\\LocalServer32"), "\"" + Registration().serverPath + "\"");
    }
}

// The window a server process shows, and that process.
struct ServerWindow {
    HWND hwnd = nullptr;
    DWORD process = 0;
};

ServerWindow FindServerWindow() {
    ServerWindow found;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* result = reinterpret_cast<ServerWindow*>(param);
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            if (testing_support::WindowText(hwnd) == "Grenwick" && process != GetCurrentProcessId()) {
                result->hwnd = hwnd;
                result->process = process;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool ProcessEnds(HANDLE process, std::chrono::milliseconds limit) {
    return WaitForSingleObject(process, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
}

class Automation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(shell::RegisterServer(Registration(), HKEY_CLASSES_ROOT, HKEY_CLASSES_ROOT),
                  shell::RegisteredIn::ClassesRoot);
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    }
    void TearDown() override { OleUninitialize(); }
};

// Closing the window hides it while the client holds the object; releasing the object
// then ends the program, which nothing could show again.
TEST_F(Automation, ClientHoldsTheHiddenWindowAndReleasingItEndsTheProgram) {
    IDispatch* object = nullptr;
    ASSERT_EQ(CoCreateInstance(grenwick::kClassId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    UINT typeInfos = 99;
    EXPECT_EQ(object->GetTypeInfoCount(&typeInfos), S_OK);
    EXPECT_EQ(typeInfos, 0u) << "no type library";
    OLECHAR name[] = L"Apply";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);

    ServerWindow server;
    ASSERT_TRUE(wine_support::WaitFor([&] { return (server = FindServerWindow()).hwnd != nullptr; }, 10s));
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, server.process);
    ASSERT_NE(process, nullptr);

    PostMessageA(server.hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wine_support::WaitFor([&] { return !IsWindowVisible(server.hwnd); }, 10s));
    EXPECT_FALSE(ProcessEnds(process, 500ms)) << "the program lives while the client holds the object";

    object->Release();
    EXPECT_TRUE(ProcessEnds(process, 10s));
    if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0)
        TerminateProcess(process, 1);
    CloseHandle(process);
}

TEST_F(Automation, ScriptClientCreatesTheObjectByItsProgramId) {
    wine_support::ScopedGameFolder folder;
    std::ofstream("create.vbs") << "Set o = CreateObject(\"Grenwick.Application\")\r\n"
                                   "WScript.Echo \"created \" & TypeName(o)\r\n";
    const std::string commandLine = "cscript.exe //nologo create.vbs";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE output = CreateFileA("out.txt", GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION script{};
    std::string mutableLine = commandLine;
    ASSERT_TRUE(CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                               &script));
    CloseHandle(output);
    const bool scriptEnded = ProcessEnds(script.hProcess, 30s);
    if (!scriptEnded)
        TerminateProcess(script.hProcess, 1);
    CloseHandle(script.hThread);
    CloseHandle(script.hProcess);
    ASSERT_TRUE(scriptEnded);

    std::ifstream in("out.txt");
    const std::string printed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(printed.rfind("created", 0), 0u) << printed;

    // The script let go of the object while the window was showing: the window stays
    // for the user, who closes it.
    ServerWindow server;
    ASSERT_TRUE(wine_support::WaitFor([&] { return (server = FindServerWindow()).hwnd != nullptr; }, 10s));
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, server.process);
    EXPECT_TRUE(IsWindowVisible(server.hwnd));
    PostMessageA(server.hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(ProcessEnds(process, 10s));
    if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0)
        TerminateProcess(process, 1);
    CloseHandle(process);
}

}  // namespace
