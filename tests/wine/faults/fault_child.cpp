// The program the fault tests register and launch: it notes each start in a file next
// to itself ("<exe>.runs", one line per start), waits one second and exits with 0.
#include <windows.h>

#include <string>

int main() {
    wchar_t self[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    std::wstring runs = std::wstring(self) + L".runs";
    HANDLE f = CreateFileW(runs.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(f, "ran\r\n", 5, &written, nullptr);
        CloseHandle(f);
    }
    Sleep(1000);
    return 0;
}
