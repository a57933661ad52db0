// A program for Tonekeep to launch and watch. It writes "<its name>.started" beside
// itself (holding its process id) once it is set up, runs TK_RUN_MS milliseconds, writes
// "<its name>.ended" and returns TK_EXIT_CODE. A missing ".ended" after the process has
// gone means someone ended it from outside.
//
// With TK_DENY_QUERY it first takes query-information access (0x400) away from its own
// process, as an elevated process looks to a program that is not elevated: only
// SYNCHRONIZE, limited query and reading the security remain.
#include <windows.h>
#include <aclapi.h>

#include <string>

namespace {

std::wstring ownPath() {
    wchar_t path[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return path;
}

void writeFile(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Replaces the process's DACL by one that grants everyone only what a program that is
// not elevated gets on an elevated one.
bool denyQueryInformation() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | READ_CONTROL;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL acl = nullptr;
    bool done = SetEntriesInAclW(1, &access, nullptr, &acl) == ERROR_SUCCESS &&
                SetSecurityInfo(GetCurrentProcess(), SE_KERNEL_OBJECT,
                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
    if (acl) LocalFree(acl);
    FreeSid(everyone);
    return done;
}

}  // namespace

int main() {
    const std::wstring self = ownPath();
    const std::wstring base = self.substr(0, self.size() - 4);  // without ".exe"
    std::string note = std::to_string(GetCurrentProcessId());
    if (TK_DENY_QUERY) note += denyQueryInformation() ? " denied" : " deny-failed";
    writeFile(base + L".started", note);
    if (TK_RUN_MS > 0) Sleep(TK_RUN_MS);
    writeFile(base + L".ended", "ended");
    return TK_EXIT_CODE;
}
