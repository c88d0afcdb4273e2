// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include <shellapi.h>
#include <versionhelpers.h>

#include "platform/elevation.h"
#include "platform/error.h"
#include "platform/win32/utf.h"

namespace platform {

bool isUserAdministrator() {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
        throw SystemError(GetLastError());
    }
    BOOL member = FALSE;
    const bool ok = CheckTokenMembership(nullptr, administrators, &member) != 0;
    FreeSid(administrators);
    return ok && member;
}

bool isProcessElevated() {
    if (!IsWindowsVistaOrGreater()) return isUserAdministrator();
    HANDLE token = nullptr;
    // The thread's own token when it impersonates, checked against the process (open as self).
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
        if (GetLastError() != ERROR_NO_TOKEN) return false;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool ok =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) != 0;
    CloseHandle(token);
    return ok && elevation.TokenIsElevated != 0;
}

namespace {

class ElevatedChild : public ChildProcess {
public:
    explicit ElevatedChild(HANDLE process) : process_(process) {}
    ~ElevatedChild() override {
        if (process_) CloseHandle(process_);
    }

    State wait(int milliseconds) override {
        if (!process_) return State::Unreadable;
        switch (WaitForSingleObject(process_, static_cast<DWORD>(milliseconds))) {
            case WAIT_TIMEOUT:
                return State::Running;
            case WAIT_OBJECT_0: {
                DWORD code = 0;
                if (!GetExitCodeProcess(process_, &code)) return State::Unreadable;
                code_ = code;
                return State::Exited;
            }
            default:
                return State::Unreadable;
        }
    }

    std::uint32_t exitCode() const override { return code_; }

private:
    HANDLE process_;
    std::uint32_t code_ = 0;
};

}  // namespace

std::unique_ptr<ChildProcess> startElevated(const std::string& program,
                                            const std::string& parameters, WindowHandle owner) {
    const std::wstring file = win32::widen(program);
    const std::wstring arguments = win32::widen(parameters);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_UNICODE;  // 0x4040
    info.hwnd = static_cast<HWND>(owner);
    info.lpVerb = L"runas";
    info.lpFile = file.c_str();
    info.lpParameters = arguments.c_str();
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        const DWORD error = GetLastError();
        // The user answered No to the elevation prompt: no copy ran.
        if (error == ERROR_CANCELLED)
            return std::make_unique<RefusedStart>(ElevationRefusal::Declined);
        throw SystemError(error);
    }
    return std::make_unique<ElevatedChild>(info.hProcess);
}

}  // namespace platform
