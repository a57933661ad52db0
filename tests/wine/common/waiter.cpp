// A program for Tonekeep to launch and watch: it notes "<its name>.started" in its working
// folder (Tonekeep starts it in its own), runs TK_RUN_MS milliseconds, notes "<its name>.ended"
// beside itself (missing: ended from outside) and returns TK_EXIT_CODE. With TK_DENY_QUERY it
// first leaves everyone only what a program that is not elevated gets on an elevated one
// (waiting, limited query, reading security).
#include <windows.h>
#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <string>

int main() {
    wchar_t self[MAX_PATH * 2] = {};
    const std::wstring base(self, GetModuleFileNameW(nullptr, self, MAX_PATH * 2) - 4);
    PSECURITY_DESCRIPTOR sd = nullptr;
    const bool denied = TK_DENY_QUERY &&
                        ConvertStringSecurityDescriptorToSecurityDescriptorW(
                            L"D:P(A;;0x121000;;;WD)", 1, &sd, nullptr) &&
                        SetKernelObjectSecurity(GetCurrentProcess(), DACL_SECURITY_INFORMATION, sd);
    std::ofstream(std::filesystem::path(base + L".started").filename())
        << (denied ? "started denied" : "started");
    Sleep(TK_RUN_MS);
    std::ofstream(std::filesystem::path(base + L".ended")) << "ended";
    return TK_EXIT_CODE;
}
