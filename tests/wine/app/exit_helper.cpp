// A program for the process tests: records the folder it was started in (cwd.txt next
// to itself), waits half a second and exits with code 7.
#include <windows.h>

#include <string>

int main() {
    wchar_t self[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    std::wstring folder(self);
    folder = folder.substr(0, folder.find_last_of(L"\\/") + 1);
    wchar_t cwd[MAX_PATH * 2] = {};
    DWORD n = GetCurrentDirectoryW(MAX_PATH * 2, cwd);
    HANDLE f = CreateFileW((folder + L"cwd.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(f, cwd, n * sizeof(wchar_t), &written, nullptr);
        CloseHandle(f);
    }
    Sleep(500);
    return 7;
}
